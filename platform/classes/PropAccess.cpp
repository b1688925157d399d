#include "platform/classes/PropAccess.h"

namespace {
const TPropInfo& Require(TPersistent* instance, const AnsiString& path, TPersistent*& holder) {
    TPropTarget target = FindPropTarget(instance, path);
    if (!target.Prop)
        throw EPropertyError(Format("Property %s does not exist", path));
    holder = target.Instance;
    return *target.Prop;
}

void RequireKind(const TPropInfo& prop, bool fits) {
    if (!fits)
        throw EPropertyError(Format("Invalid property type: %s", prop.Name));
}

void RequireWritable(const TPropInfo& prop) {
    if (!prop.Writable())
        throw EPropertyError(Format("Property %s is read-only", prop.Name));
}
} // namespace

TPropTarget FindPropTarget(TPersistent* instance, const AnsiString& path) {
    size_t begin = 0;
    while (instance) {
        size_t dot = path.find('.', begin);
        AnsiString segment = path.substr(begin, dot == AnsiString::npos ? dot : dot - begin);
        const TPropInfo* prop = instance->ClassInfo().FindProperty(segment);
        if (!prop)
            return {};
        if (dot == AnsiString::npos)
            return {instance, prop};
        if (prop->Kind != TTypeKind::tkClass)
            return {};
        instance = prop->GetObject(*instance);
        begin = dot + 1;
    }
    return {};
}

bool IsPublishedProp(TPersistent* instance, const AnsiString& path) {
    return FindPropTarget(instance, path).Prop != nullptr;
}

const TPropInfo* GetPropInfo(TPersistent* instance, const AnsiString& path) {
    return FindPropTarget(instance, path).Prop;
}

void StoreOrdinal(TPersistent& instance, const TPropInfo& prop, int64_t value) {
    RequireWritable(prop);
    if (prop.Kind == TTypeKind::tkSet) {
        uint64_t allowed =
            prop.Enum->Count() >= 64 ? ~uint64_t{0} : (uint64_t{1} << prop.Enum->Count()) - 1;
        if (static_cast<uint64_t>(value) & ~allowed)
            throw EPropertyError(Format("Invalid property value for %s", prop.Name));
    } else if (value < prop.MinValue || value > prop.MaxValue) {
        throw EPropertyError(
            Format("Invalid property value for %s: %s out of range", prop.Name, IntToStr(value)));
    }
    prop.SetOrd(instance, value);
}

int64_t GetOrdProp(TPersistent* instance, const AnsiString& path) {
    TPersistent* holder = nullptr;
    const TPropInfo& prop = Require(instance, path, holder);
    RequireKind(prop, prop.IsOrdinal());
    return prop.GetOrd(*holder);
}

void SetOrdProp(TPersistent* instance, const AnsiString& path, int64_t value) {
    TPersistent* holder = nullptr;
    const TPropInfo& prop = Require(instance, path, holder);
    RequireKind(prop, prop.IsOrdinal());
    StoreOrdinal(*holder, prop, value);
}

AnsiString GetStrProp(TPersistent* instance, const AnsiString& path) {
    TPersistent* holder = nullptr;
    const TPropInfo& prop = Require(instance, path, holder);
    RequireKind(prop, prop.Kind == TTypeKind::tkString);
    return prop.GetStr(*holder);
}

void SetStrProp(TPersistent* instance, const AnsiString& path, const AnsiString& value) {
    TPersistent* holder = nullptr;
    const TPropInfo& prop = Require(instance, path, holder);
    RequireKind(prop, prop.Kind == TTypeKind::tkString);
    RequireWritable(prop);
    prop.SetStr(*holder, value);
}

AnsiString GetEnumProp(TPersistent* instance, const AnsiString& path) {
    TPersistent* holder = nullptr;
    const TPropInfo& prop = Require(instance, path, holder);
    if (prop.Kind == TTypeKind::tkBool)
        return prop.GetOrd(*holder) ? "True" : "False";
    RequireKind(prop, prop.Kind == TTypeKind::tkEnumeration);
    return prop.Enum->Name(prop.GetOrd(*holder));
}

void SetEnumProp(TPersistent* instance, const AnsiString& path, const AnsiString& value) {
    TPersistent* holder = nullptr;
    const TPropInfo& prop = Require(instance, path, holder);
    int64_t ordinal = -1;
    if (prop.Kind == TTypeKind::tkBool)
        ordinal = SameText(value, "True") ? 1 : SameText(value, "False") ? 0 : -1;
    else if (prop.Kind == TTypeKind::tkEnumeration)
        ordinal = prop.Enum->IndexOf(value);
    else
        RequireKind(prop, false);
    if (ordinal < 0)
        throw EPropertyError(Format("Invalid property value: %s", value));
    StoreOrdinal(*holder, prop, ordinal);
}

AnsiString GetSetProp(TPersistent* instance, const AnsiString& path, bool brackets) {
    TPersistent* holder = nullptr;
    const TPropInfo& prop = Require(instance, path, holder);
    RequireKind(prop, prop.Kind == TTypeKind::tkSet);
    return prop.Enum->SetToString(static_cast<uint64_t>(prop.GetOrd(*holder)), brackets);
}

void SetSetProp(TPersistent* instance, const AnsiString& path, const AnsiString& value) {
    TPersistent* holder = nullptr;
    const TPropInfo& prop = Require(instance, path, holder);
    RequireKind(prop, prop.Kind == TTypeKind::tkSet);
    StoreOrdinal(*holder, prop, static_cast<int64_t>(prop.Enum->StringToSet(value)));
}

TPersistent* GetObjectProp(TPersistent* instance, const AnsiString& path) {
    TPersistent* holder = nullptr;
    const TPropInfo& prop = Require(instance, path, holder);
    RequireKind(prop, prop.Kind == TTypeKind::tkClass || prop.Kind == TTypeKind::tkComponent);
    return prop.GetObject(*holder);
}

void SetComponentProp(TPersistent* instance, const AnsiString& path, TComponent* value) {
    TPersistent* holder = nullptr;
    const TPropInfo& prop = Require(instance, path, holder);
    RequireKind(prop, prop.Kind == TTypeKind::tkComponent);
    RequireWritable(prop);
    prop.SetComponent(*holder, value);
}

TMethod GetMethodProp(TPersistent* instance, const AnsiString& path) {
    TPersistent* holder = nullptr;
    const TPropInfo& prop = Require(instance, path, holder);
    RequireKind(prop, prop.Kind == TTypeKind::tkMethod);
    return prop.GetMethod(*holder);
}

void SetMethodProp(TPersistent* instance, const AnsiString& path, const TMethod& value) {
    TPersistent* holder = nullptr;
    const TPropInfo& prop = Require(instance, path, holder);
    RequireKind(prop, prop.Kind == TTypeKind::tkMethod);
    RequireWritable(prop);
    prop.SetMethod(*holder, value);
}
