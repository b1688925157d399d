#include "TestComponents.h"

#include "platform/classes/ClassRegistry.h"

std::vector<AnsiString>& LoadedLog() {
    static std::vector<AnsiString> log;
    return log;
}

VOKA_PUBLISH(TTestFont, p) {
    p.String("Name", &TTestFont::Name);
    p.Integer("Height", &TTestFont::Height);
}

void TTestFont::Assign(TPersistent* source) {
    if (auto* font = dynamic_cast<TTestFont*>(source)) {
        Name = font->Name;
        Height = font->Height;
        return;
    }
    TPersistent::Assign(source);
}

namespace {
const TIntegerIdents kColours = {{"clBlack", 0}, {"clBtnFace", -16777201}};
} // namespace

VOKA_PUBLISH(TTestWidget, p) {
    p.Bool("Active", &TTestWidget::GetActive, &TTestWidget::SetActive).Default(false);
    p.Integer("BaudRate", &TTestWidget::GetBaudRate, &TTestWidget::SetBaudRate);
    p.Integer("ByteSize", &TTestWidget::ByteSize).Default(8);
    p.Char("EventChar", &TTestWidget::EventChar).Default(0);
    p.String("Caption", &TTestWidget::Caption);
    p.Integer("Color", &TTestWidget::Color).Default(0).Idents(kColours);
    p.Enum("Parity", &TTestWidget::Parity).Default(tpNone);
    p.Set("Traces", &TTestWidget::Traces).Default(TTestTraces{});
    p.Object("Font", &TTestWidget::GetFont);
    p.Component("Buddy", &TTestWidget::GetBuddy, &TTestWidget::SetBuddy);
    p.Event("OnClick", &TTestWidget::OnClick);
}

TTestWidget::TTestWidget(TComponent* owner) : TComponent(owner) {
    StateAtConstruction = ComponentState().Contains(csLoading);
}

TTestWidget::~TTestWidget() {
    SetBuddy(nullptr);
}

void TTestWidget::SetBuddy(TTestWidget* value) {
    if (buddy_)
        buddy_->RemoveFreeNotification(this);
    buddy_ = value;
    if (buddy_)
        buddy_->FreeNotification(this);
}

void TTestWidget::Loaded() {
    TComponent::Loaded();
    WasLoadingInLoaded = true;
    BuddyAtLoaded = buddy_;
    LoadedLog().push_back(GetName());
}

void TTestWidget::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == buddy_)
        buddy_ = nullptr;
}

VOKA_PUBLISH(TTestStorage, p) {}

void TTestStorage::DefineProperties(TFiler* filer) {
    TComponent::DefineProperties(filer);
    filer->DefineBinaryProperty(
        "StoredData",
        [this](TStream& stream) {
            ReadCalled = true;
            Data.resize(static_cast<size_t>(stream.GetSize() - stream.GetPosition()));
            stream.ReadBuffer(Data.data(), static_cast<int64_t>(Data.size()));
        },
        [this](TStream& stream) {
            stream.WriteBuffer(Data.data(), static_cast<int64_t>(Data.size()));
        },
        !Data.empty());
}

VOKA_PUBLISH(TTestLines, p) {}

void TTestLines::DefineProperties(TFiler* filer) {
    TComponent::DefineProperties(filer);
    filer->DefineProperty(
        "Items",
        [this](TReader& reader) {
            reader.ReadListBegin();
            while (!reader.EndOfList())
                Lines.push_back(reader.ReadString());
            reader.ReadListEnd();
        },
        [this](TWriter& writer) {
            writer.WriteListBegin();
            for (const AnsiString& line : Lines)
                writer.WriteString(line);
            writer.WriteListEnd();
        },
        !Lines.empty());
}

VOKA_PUBLISH(TTestForm, p) {
    p.Field("Button1", &TTestForm::Button1);
    p.Field("Button2", &TTestForm::Button2);
    p.Field("Storage1", &TTestForm::Storage1);
    p.Method<&TTestForm::Button1Click>("Button1Click");
    p.Method<&TTestForm::OtherClick>("OtherClick");
    p.Method<&TTestForm::WrongSignature>("WrongSignature");
}

void TTestForm::Loaded() {
    TComponent::Loaded();
    LoadedLog().push_back(GetName());
}

void RegisterTestClasses() {
    RegisterClasses<TTestWidget, TTestStorage, TTestLines, TTestForm>();
}
