#pragma once
// Small classes exercising every kind of published property, for the component tests.
#include <memory>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/Filer.h"

VOKA_ENUM(TTestParity, tpNone, tpOdd, tpEven, tpMark)
VOKA_ENUM(TTestTrace, ttRxChar, ttRxFlag, ttTxEmpty, ttCts, ttBreak)
using TTestTraces = TSet<TTestTrace>;

// Records every Loaded call, in order, across components.
std::vector<AnsiString>& LoadedLog();

class TTestFont : public TPersistent {
    VOKA_CLASS(TTestFont, TPersistent)
public:
    AnsiString Name = "MS Sans Serif";
    int Height = -11;
    void Assign(TPersistent* source) override;
};

class TTestWidget : public TComponent {
    VOKA_CLASS(TTestWidget, TComponent)
public:
    explicit TTestWidget(TComponent* owner);
    ~TTestWidget() override;

    bool GetActive() const { return active_; }
    void SetActive(bool value) { active_ = value; }
    int GetBaudRate() const { return baudRate_; }
    void SetBaudRate(int value) { baudRate_ = value; }
    uint8_t ByteSize = 8;
    char EventChar = 0;
    AnsiString Caption;
    int Color = 0;
    TTestParity Parity = tpNone;
    TTestTraces Traces;
    TTestFont* GetFont() { return font_.get(); }
    TTestWidget* GetBuddy() const { return buddy_; }
    void SetBuddy(TTestWidget* value);
    TNotifyEvent OnClick;

    bool StateAtConstruction = false; // csLoading seen in the constructor
    bool WasLoadingInLoaded = false;
    TTestWidget* BuddyAtLoaded = nullptr;

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    bool active_ = false;
    int baudRate_ = 9600;
    std::unique_ptr<TTestFont> font_ = std::make_unique<TTestFont>();
    TTestWidget* buddy_ = nullptr;
};

// A component with a binary property, present only when it holds bytes.
class TTestStorage : public TComponent {
    VOKA_CLASS(TTestStorage, TComponent)
public:
    using TComponent::TComponent;
    AnsiString Data;
    bool ReadCalled = false;
    void DefineProperties(TFiler* filer) override;
};

// A component with a value-list property of its own.
class TTestLines : public TComponent {
    VOKA_CLASS(TTestLines, TComponent)
public:
    using TComponent::TComponent;
    std::vector<AnsiString> Lines;
    void DefineProperties(TFiler* filer) override;
};

class TTestForm : public TComponent {
    VOKA_CLASS(TTestForm, TComponent)
public:
    using TComponent::TComponent;
    TTestWidget* Button1 = nullptr;
    TTestWidget* Button2 = nullptr;
    TTestStorage* Storage1 = nullptr;
    int Clicks = 0;
    TObject* LastSender = nullptr;
    void Button1Click(TObject* sender) {
        ++Clicks;
        LastSender = sender;
    }
    void OtherClick(TObject*) { Clicks += 100; }
    void WrongSignature(TObject*, int) {}

protected:
    void Loaded() override;
};

// Registers the test classes once.
void RegisterTestClasses();
