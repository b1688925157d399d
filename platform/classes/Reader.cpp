#include "platform/classes/ClassRegistry.h"
#include "platform/classes/Filer.h"
#include "platform/classes/PropAccess.h"

namespace {
AnsiString DescribeValue(const TFormValue& value) {
    switch (value.Kind) {
    case TFormValue::vaInteger:
        return IntToStr(value.Integer);
    case TFormValue::vaString:
        return "'" + value.Text + "'";
    case TFormValue::vaIdent:
        return value.Text;
    case TFormValue::vaSet:
        return "a set";
    case TFormValue::vaList:
        return "a list";
    case TFormValue::vaBinary:
        return "binary data";
    }
    return AnsiString();
}

[[noreturn]] void InvalidValue(const TFormValue& value) {
    throw EPropertyError("Invalid property value " + DescribeValue(value));
}

bool IsNil(const TFormValue& value) {
    return value.Kind == TFormValue::vaIdent && SameText(value.Text, "nil");
}
} // namespace

void TReader::Fail(int line, const AnsiString& message) const {
    throw EReadError(Format("Line %d: %s", line, message));
}

void TReader::ReadRootComponent(TComponent* root) {
    root_ = root;
    const TFormObject& node = description_;
    try {
        if (!SameText(node.ClassName, root->ClassName()))
            Fail(node.Line, Format("A description of %s cannot be read into a %s", node.ClassName,
                                   root->ClassName()));
        root->Include(csLoading);
        root->Include(csReading);
        if (!node.Name.empty()) {
            try {
                root->SetName(node.Name);
            } catch (const EComponentError& error) {
                Fail(node.Line, error.Message);
            }
        }
        ReadObject(node, root);
        ResolveFixups();
        CallLoaded();
    } catch (...) {
        Abandon();
        throw;
    }
}

TComponent* TReader::ReadComponent(TComponent* owner) {
    const TClassInfo* info = GetClass(description_.ClassName);
    if (!info || !info->Factory)
        throw EClassNotFound(
            Format("Line %d: Class %s not found", description_.Line, description_.ClassName));
    TComponent* root = TComponent::CreateLoading(*info, owner);
    try {
        ReadRootComponent(root);
    } catch (...) {
        delete root;
        throw;
    }
    return root;
}

void TReader::ReadObject(const TFormObject& node, TComponent* component) {
    loaded_.push_back(component);
    component->Include(csLoading);
    component->Include(csReading);
    for (const TFormProperty& property : node.Properties)
        ReadProperty(component, property);
    for (const TFormObject& childNode : node.Children)
        ReadObject(childNode, CreateChild(childNode, component));
    component->Exclude(csReading);
}

TComponent* TReader::CreateChild(const TFormObject& node, TComponent* parent) {
    const TClassInfo* info = GetClass(node.ClassName);
    if (!info || !info->Factory)
        throw EClassNotFound(Format("Line %d: Class %s not found", node.Line, node.ClassName));
    TComponent* component = TComponent::CreateLoading(*info, root_);
    created_.push_back(component);
    try {
        component->SetName(node.Name);
    } catch (const EComponentError& error) {
        Fail(node.Line, error.Message);
    }
    component->SetParentComponent(parent);
    return component;
}

void TReader::ReadProperty(TComponent* component, const TFormProperty& property) {
    AnsiString owner = component->GetName().empty() ? component->ClassName() : component->GetName();
    AnsiString context = owner + "." + property.Name;
    try {
        TPersistent* target = component;
        size_t begin = 0;
        size_t dot;
        while ((dot = property.Name.find('.', begin)) != AnsiString::npos) {
            AnsiString segment = property.Name.substr(begin, dot - begin);
            const TPropInfo* prop = target->ClassInfo().FindProperty(segment);
            if (!prop || prop->Kind != TTypeKind::tkClass)
                throw EPropertyError(Format("Property %s does not exist", segment));
            target = prop->GetObject(*target);
            if (!target)
                throw EPropertyError(Format("Property %s holds no object", segment));
            begin = dot + 1;
        }
        AnsiString name = property.Name.substr(begin);
        if (const TPropInfo* prop = target->ClassInfo().FindProperty(name)) {
            SetPropertyValue(*target, *prop, property.Value, context);
            return;
        }
        pending_ = &property;
        pendingName_ = name;
        pendingHandled_ = false;
        target->DefineProperties(this);
        pending_ = nullptr;
        if (!pendingHandled_)
            throw EPropertyError(Format("Property %s does not exist", name));
    } catch (const EPropertyError& error) {
        pending_ = nullptr;
        Fail(property.Line, Format("Error reading %s: %s", context, error.Message));
    } catch (const EComponentError& error) {
        pending_ = nullptr;
        Fail(property.Line, Format("Error reading %s: %s", context, error.Message));
    }
}

void TReader::SetPropertyValue(TPersistent& instance, const TPropInfo& prop,
                               const TFormValue& value, const AnsiString& context) {
    if (!prop.Writable())
        throw EPropertyError(Format("Property %s is read-only", prop.Name));
    switch (prop.Kind) {
    case TTypeKind::tkBool:
        if (value.Kind != TFormValue::vaIdent ||
            !(SameText(value.Text, "True") || SameText(value.Text, "False")))
            InvalidValue(value);
        StoreOrdinal(instance, prop, SameText(value.Text, "True") ? 1 : 0);
        return;
    case TTypeKind::tkInteger:
        if (value.Kind == TFormValue::vaInteger) {
            StoreOrdinal(instance, prop, value.Integer);
            return;
        }
        if (value.Kind == TFormValue::vaIdent && prop.Idents)
            for (const auto& [ident, number] : *prop.Idents)
                if (SameText(ident, value.Text)) {
                    StoreOrdinal(instance, prop, number);
                    return;
                }
        InvalidValue(value);
    case TTypeKind::tkChar:
        if (value.Kind == TFormValue::vaString && value.Text.size() == 1)
            StoreOrdinal(instance, prop, static_cast<unsigned char>(value.Text[0]));
        else if (value.Kind == TFormValue::vaInteger)
            StoreOrdinal(instance, prop, value.Integer);
        else
            InvalidValue(value);
        return;
    case TTypeKind::tkString:
        if (value.Kind != TFormValue::vaString)
            InvalidValue(value);
        prop.SetStr(instance, value.Text);
        return;
    case TTypeKind::tkEnumeration: {
        int ordinal = value.Kind == TFormValue::vaIdent ? prop.Enum->IndexOf(value.Text) : -1;
        if (ordinal < 0)
            InvalidValue(value);
        StoreOrdinal(instance, prop, ordinal);
        return;
    }
    case TTypeKind::tkSet: {
        if (value.Kind != TFormValue::vaSet)
            InvalidValue(value);
        uint64_t bits = 0;
        for (const AnsiString& element : value.Elements) {
            int ordinal = prop.Enum->IndexOf(element);
            if (ordinal < 0 || ordinal >= 64)
                throw EPropertyError(Format("Invalid property value: %s is no value of %s", element,
                                            prop.Enum->TypeName()));
            bits |= uint64_t{1} << ordinal;
        }
        StoreOrdinal(instance, prop, static_cast<int64_t>(bits));
        return;
    }
    case TTypeKind::tkComponent:
    case TTypeKind::tkMethod:
        if (value.Kind != TFormValue::vaIdent)
            InvalidValue(value);
        if (IsNil(value)) {
            if (prop.Kind == TTypeKind::tkComponent)
                prop.SetComponent(instance, nullptr);
            else
                prop.SetMethod(instance, TMethod{});
            return;
        }
        // Resolved when the whole description has been read: forward references.
        fixups_.push_back(Fixup{&instance, &prop, value.Text, context, value.Line});
        return;
    case TTypeKind::tkClass:
        InvalidValue(value);
    }
}

TComponent* TReader::FindReferenced(const AnsiString& name) const {
    size_t begin = 0;
    TComponent* scope = root_;
    TComponent* found = nullptr;
    while (scope) {
        size_t dot = name.find('.', begin);
        AnsiString segment = name.substr(begin, dot == AnsiString::npos ? dot : dot - begin);
        found = scope->FindComponent(segment);
        if (!found && scope == root_ && SameText(segment, root_->GetName()))
            found = root_;
        if (!found || dot == AnsiString::npos)
            return found;
        scope = found;
        begin = dot + 1;
    }
    return nullptr;
}

void TReader::ResolveFixups() {
    for (const Fixup& fixup : fixups_) {
        if (fixup.Prop->Kind == TTypeKind::tkComponent) {
            TComponent* target = FindReferenced(fixup.Target);
            if (!target)
                Fail(fixup.Line, Format("Error reading %s: component %s not found", fixup.Context,
                                        fixup.Target));
            try {
                fixup.Prop->SetComponent(*fixup.Instance, target);
            } catch (const EPropertyError& error) {
                Fail(fixup.Line, Format("Error reading %s: %s", fixup.Context, error.Message));
            }
            continue;
        }
        const TMethodInfo* method = root_->ClassInfo().FindMethod(fixup.Target);
        if (!method)
            Fail(fixup.Line, Format("Error reading %s: method %s not found in %s", fixup.Context,
                                    fixup.Target, root_->ClassName()));
        if (*method->EventType != *fixup.Prop->EventType)
            Fail(fixup.Line, Format("Error reading %s: method %s does not fit the event",
                                    fixup.Context, fixup.Target));
        fixup.Prop->SetMethod(*fixup.Instance, method->BindTo(*root_));
    }
    fixups_.clear();
}

bool TReader::IsAlive(TComponent* component) const {
    if (component == root_)
        return true;
    for (int i = 0; i < root_->ComponentCount(); ++i)
        if (root_->Components(i) == component)
            return true;
    return false;
}

void TReader::CallLoaded() {
    // A Loaded may destroy other components; only the living are told.
    std::vector<TComponent*> loaded = loaded_;
    for (TComponent* component : loaded) {
        if (!IsAlive(component))
            continue;
        component->Loaded();
        component->Exclude(csLoading);
    }
    loaded_.clear();
    created_.clear();
}

void TReader::Abandon() {
    for (auto it = created_.rbegin(); it != created_.rend(); ++it)
        if (IsAlive(*it))
            delete *it;
    created_.clear();
    loaded_.clear();
    fixups_.clear();
    root_->Exclude(csLoading);
    root_->Exclude(csReading);
}

void TReader::DefineProperty(const AnsiString& name, const TReaderProc& readData,
                             const TWriterProc&, bool) {
    if (!pending_ || pendingHandled_ || !SameText(name, pendingName_))
        return;
    pendingHandled_ = true;
    current_ = &pending_->Value;
    currentUsed_ = false;
    lists_.clear();
    if (readData)
        readData(*this);
    current_ = nullptr;
}

void TReader::DefineBinaryProperty(const AnsiString& name, const TStreamProc& readData,
                                   const TStreamProc&, bool) {
    if (!pending_ || pendingHandled_ || !SameText(name, pendingName_))
        return;
    pendingHandled_ = true;
    const TFormValue& value = pending_->Value;
    if (value.Kind != TFormValue::vaBinary)
        throw EPropertyError("Binary value expected but " + DescribeValue(value) + " found");
    if (!readData)
        return;
    TMemoryStream stream;
    stream.WriteBuffer(value.Text.data(), static_cast<int64_t>(value.Text.size()));
    stream.SetPosition(0);
    readData(stream);
}

const TFormValue& TReader::NextValue(TFormValue::TKind kind, const char* what) {
    const TFormValue* value = nullptr;
    if (!lists_.empty()) {
        ListCursor& list = lists_.back();
        if (list.Next >= list.List->Items.size())
            throw EPropertyError(Format("%s expected but end of list found", what));
        value = &list.List->Items[list.Next++];
    } else {
        if (!current_ || currentUsed_)
            throw EPropertyError(Format("%s expected but no value is left", what));
        value = current_;
        currentUsed_ = true;
    }
    if (value->Kind != kind)
        throw EPropertyError(Format("%s expected but %s found", what, DescribeValue(*value)));
    return *value;
}

int64_t TReader::ReadInteger() {
    return NextValue(TFormValue::vaInteger, "Integer").Integer;
}

AnsiString TReader::ReadString() {
    return NextValue(TFormValue::vaString, "String").Text;
}

AnsiString TReader::ReadIdent() {
    return NextValue(TFormValue::vaIdent, "Identifier").Text;
}

bool TReader::ReadBoolean() {
    const TFormValue& value = NextValue(TFormValue::vaIdent, "Boolean");
    if (SameText(value.Text, "True"))
        return true;
    if (SameText(value.Text, "False"))
        return false;
    InvalidValue(value);
}

void TReader::ReadListBegin() {
    lists_.push_back(ListCursor{&NextValue(TFormValue::vaList, "List"), 0});
}

bool TReader::EndOfList() {
    return lists_.empty() || lists_.back().Next >= lists_.back().List->Items.size();
}

void TReader::ReadListEnd() {
    if (lists_.empty() || !EndOfList())
        throw EPropertyError("End of list expected");
    lists_.pop_back();
}
