#include "platform/classes/TypeInfo.h"

#include "platform/classes/Persistent.h"

namespace {
AnsiString TrimmedPart(const AnsiString& text, size_t begin, size_t end) {
    return Trim(text.substr(begin, end - begin));
}
} // namespace

TEnumInfo::TEnumInfo(const char* typeName, const char* names) : typeName_(typeName) {
    AnsiString list = names;
    size_t begin = 0;
    while (begin <= list.size()) {
        size_t comma = list.find(',', begin);
        if (comma == AnsiString::npos)
            comma = list.size();
        AnsiString name = TrimmedPart(list, begin, comma);
        if (!name.empty())
            names_.push_back(name);
        begin = comma + 1;
    }
}

const AnsiString& TEnumInfo::Name(int64_t ordinal) const {
    if (ordinal < 0 || ordinal >= Count())
        throw EPropertyError(
            Format("Invalid property value: %d is no value of %s", ordinal, typeName_));
    return names_[static_cast<size_t>(ordinal)];
}

int TEnumInfo::IndexOf(const AnsiString& name) const {
    for (int i = 0; i < Count(); ++i)
        if (SameText(names_[static_cast<size_t>(i)], name))
            return i;
    return -1;
}

AnsiString TEnumInfo::SetToString(uint64_t bits, bool brackets) const {
    AnsiString text;
    for (int i = 0; i < Count() && i < 64; ++i) {
        if (bits & (uint64_t{1} << i)) {
            if (!text.empty())
                text += ',';
            text += names_[static_cast<size_t>(i)];
        }
    }
    return brackets ? "[" + text + "]" : text;
}

uint64_t TEnumInfo::StringToSet(const AnsiString& text) const {
    AnsiString inner = Trim(text);
    if (!inner.empty() && inner.front() == '[') {
        if (inner.back() != ']')
            throw EPropertyError("Invalid property value: ']' expected in " + text);
        inner = inner.substr(1, inner.size() - 2);
    }
    uint64_t bits = 0;
    size_t begin = 0;
    while (begin <= inner.size()) {
        size_t comma = inner.find(',', begin);
        if (comma == AnsiString::npos)
            comma = inner.size();
        AnsiString name = TrimmedPart(inner, begin, comma);
        if (!name.empty()) {
            int index = IndexOf(name);
            if (index < 0 || index >= 64)
                throw EPropertyError(
                    Format("Invalid property value: %s is no value of %s", name, typeName_));
            bits |= uint64_t{1} << index;
        } else if (comma < inner.size()) {
            throw EPropertyError("Invalid property value: empty set element in " + text);
        }
        begin = comma + 1;
    }
    return bits;
}

bool TPropInfo::IsOrdinal() const {
    switch (Kind) {
    case TTypeKind::tkBool:
    case TTypeKind::tkInteger:
    case TTypeKind::tkChar:
    case TTypeKind::tkEnumeration:
    case TTypeKind::tkSet:
        return true;
    default:
        return false;
    }
}

bool TPropInfo::Writable() const {
    switch (Kind) {
    case TTypeKind::tkString:
        return static_cast<bool>(SetStr);
    case TTypeKind::tkComponent:
        return static_cast<bool>(SetComponent);
    case TTypeKind::tkMethod:
        return static_cast<bool>(SetMethod);
    case TTypeKind::tkClass:
        return false;
    default:
        return static_cast<bool>(SetOrd);
    }
}

bool TPropInfo::IsStoredOn(TPersistent& instance) const {
    if (!Stored)
        return false;
    return !StoredWhen || StoredWhen(instance);
}

const TPropInfo* TClassInfo::FindProperty(const AnsiString& name) const {
    for (const TClassInfo* info = this; info; info = info->Parent)
        for (const TPropInfo& prop : info->Properties)
            if (SameText(prop.Name, name))
                return &prop;
    return nullptr;
}

const TMethodInfo* TClassInfo::FindMethod(const AnsiString& name) const {
    for (const TClassInfo* info = this; info; info = info->Parent)
        for (const TMethodInfo& method : info->Methods)
            if (SameText(method.Name, name))
                return &method;
    return nullptr;
}

const TMethodInfo* TClassInfo::FindMethodByCode(void* code) const {
    for (const TClassInfo* info = this; info; info = info->Parent)
        for (const TMethodInfo& method : info->Methods)
            if (method.Code == code)
                return &method;
    return nullptr;
}

const TFieldInfo* TClassInfo::FindField(const AnsiString& name) const {
    for (const TClassInfo* info = this; info; info = info->Parent)
        for (const TFieldInfo& field : info->Fields)
            if (SameText(field.Name, name))
                return &field;
    return nullptr;
}

std::vector<const TPropInfo*> TClassInfo::AllProperties() const {
    std::vector<const TPropInfo*> result;
    if (Parent)
        result = Parent->AllProperties();
    for (const TPropInfo& prop : Properties) {
        // A redeclared property replaces the ancestor's in its place.
        bool replaced = false;
        for (auto& existing : result) {
            if (SameText(existing->Name, prop.Name)) {
                existing = &prop;
                replaced = true;
            }
        }
        if (!replaced)
            result.push_back(&prop);
    }
    return result;
}

bool TClassInfo::InheritsFrom(const TClassInfo& ancestor) const {
    for (const TClassInfo* info = this; info; info = info->Parent)
        if (info == &ancestor)
            return true;
    return false;
}

TComponent* TClassInfo::Create(TComponent* owner) const {
    if (!Factory)
        throw EPropertyError(Format("Cannot create an instance of %s", ClassName));
    return Factory(owner);
}
