#include "platform/classes/Filer.h"

namespace {
// Nested objects deeper than this are not followed, so a cycle cannot recurse forever.
constexpr int kMaxNesting = 16;

TFormValue IdentValue(const AnsiString& text) {
    TFormValue value;
    value.Kind = TFormValue::vaIdent;
    value.Text = text;
    return value;
}
} // namespace

TFormObject TWriter::WriteRootComponent(TComponent* root) {
    root_ = root;
    return WriteObject(root);
}

TFormObject TWriter::WriteObject(TComponent* component) {
    TFormObject node;
    node.Name = component->GetName();
    node.ClassName = component->ClassName();
    TFormObject* outer = object_;
    object_ = &node;
    component->Include(csWriting);
    try {
        WriteProperties(*component, AnsiString(), 0);
        component->GetChildren(
            [this, &node](TComponent* child) { node.Children.push_back(WriteObject(child)); },
            root_);
    } catch (...) {
        component->Exclude(csWriting);
        object_ = outer;
        throw;
    }
    component->Exclude(csWriting);
    object_ = outer;
    return node;
}

void TWriter::WriteProperties(TPersistent& instance, const AnsiString& prefix, int depth) {
    if (depth > kMaxNesting)
        return;
    for (const TPropInfo* prop : instance.ClassInfo().AllProperties()) {
        if (!prop->IsStoredOn(instance))
            continue;
        if (prop->Kind == TTypeKind::tkClass) {
            TPersistent* nested = prop->GetObject(instance);
            if (nested && !dynamic_cast<TComponent*>(nested))
                WriteProperties(*nested, prefix + prop->Name + ".", depth + 1);
            continue;
        }
        TFormValue value;
        if (ValueOf(instance, *prop, value))
            object_->Properties.push_back(TFormProperty{prefix + prop->Name, value, 0});
    }
    prefix_ = prefix;
    instance.DefineProperties(this);
}

bool TWriter::ValueOf(TPersistent& instance, const TPropInfo& prop, TFormValue& value) {
    if (prop.IsOrdinal()) {
        int64_t ordinal = prop.GetOrd(instance);
        if (prop.Default && *prop.Default == ordinal)
            return false;
        switch (prop.Kind) {
        case TTypeKind::tkBool:
            value = IdentValue(ordinal ? "True" : "False");
            return true;
        case TTypeKind::tkChar:
            value.Kind = TFormValue::vaString;
            value.Text = AnsiString(1, static_cast<char>(ordinal));
            return true;
        case TTypeKind::tkEnumeration:
            value = IdentValue(prop.Enum->Name(ordinal));
            return true;
        case TTypeKind::tkSet:
            value.Kind = TFormValue::vaSet;
            for (int i = 0; i < prop.Enum->Count() && i < 64; ++i)
                if (static_cast<uint64_t>(ordinal) & (uint64_t{1} << i))
                    value.Elements.push_back(prop.Enum->Name(i));
            return true;
        default:
            if (prop.Idents)
                for (const auto& [ident, number] : *prop.Idents)
                    if (number == ordinal) {
                        value = IdentValue(ident);
                        return true;
                    }
            value.Kind = TFormValue::vaInteger;
            value.Integer = ordinal;
            return true;
        }
    }
    switch (prop.Kind) {
    case TTypeKind::tkString:
        value.Kind = TFormValue::vaString;
        value.Text = prop.GetStr(instance);
        return !value.Text.empty();
    case TTypeKind::tkComponent: {
        auto* target = dynamic_cast<TComponent*>(prop.GetObject(instance));
        AnsiString name = target ? ReferenceName(target) : AnsiString();
        value = IdentValue(name);
        return !name.empty();
    }
    case TTypeKind::tkMethod: {
        // Only handlers of the root can be named in its description.
        TMethod method = prop.GetMethod(instance);
        const TMethodInfo* handler =
            method.Code ? root_->ClassInfo().FindMethodByCode(method.Code) : nullptr;
        if (!handler || handler->DataOf(*root_) != method.Data)
            return false;
        value = IdentValue(handler->Name);
        return true;
    }
    default:
        return false;
    }
}

AnsiString TWriter::ReferenceName(TComponent* component) const {
    if (component->GetName().empty())
        return AnsiString();
    if (component == root_ || component->Owner() == root_ || !component->Owner())
        return component->GetName();
    if (component->Owner()->GetName().empty())
        return AnsiString();
    return component->Owner()->GetName() + "." + component->GetName();
}

void TWriter::Emit(TFormValue value) {
    if (!openLists_.empty())
        openLists_.back().Items.push_back(std::move(value));
    else
        values_.push_back(std::move(value));
}

void TWriter::DefineProperty(const AnsiString& name, const TReaderProc&,
                             const TWriterProc& writeData, bool hasData) {
    if (!hasData || !writeData)
        return;
    values_.clear();
    openLists_.clear();
    writeData(*this);
    if (!openLists_.empty())
        throw EPropertyError(Format("Property %s: list not closed", name));
    if (values_.size() > 1)
        throw EPropertyError(Format("Property %s: one value expected", name));
    if (!values_.empty())
        object_->Properties.push_back(TFormProperty{prefix_ + name, values_.front(), 0});
    values_.clear();
}

void TWriter::DefineBinaryProperty(const AnsiString& name, const TStreamProc&,
                                   const TStreamProc& writeData, bool hasData) {
    if (!hasData || !writeData)
        return;
    TMemoryStream stream;
    writeData(stream);
    TFormValue value;
    value.Kind = TFormValue::vaBinary;
    value.Text.assign(static_cast<const char*>(stream.Memory()),
                      static_cast<size_t>(stream.GetSize()));
    object_->Properties.push_back(TFormProperty{prefix_ + name, std::move(value), 0});
}

void TWriter::WriteInteger(int64_t value) {
    TFormValue item;
    item.Kind = TFormValue::vaInteger;
    item.Integer = value;
    Emit(std::move(item));
}

void TWriter::WriteString(const AnsiString& value) {
    TFormValue item;
    item.Kind = TFormValue::vaString;
    item.Text = value;
    Emit(std::move(item));
}

void TWriter::WriteBoolean(bool value) {
    Emit(IdentValue(value ? "True" : "False"));
}

void TWriter::WriteIdent(const AnsiString& value) {
    Emit(IdentValue(value));
}

void TWriter::WriteListBegin() {
    TFormValue list;
    list.Kind = TFormValue::vaList;
    openLists_.push_back(std::move(list));
}

void TWriter::WriteListEnd() {
    if (openLists_.empty())
        throw EPropertyError("WriteListEnd without WriteListBegin");
    TFormValue list = std::move(openLists_.back());
    openLists_.pop_back();
    Emit(std::move(list));
}
