#include <gmock/gmock.h>

#include <vector>

#include "platform/classes/Application.h"
#include "platform/classes/MessageLoop.h"
#include "platform/win32/User.h"

namespace {

struct TShownBox {
    AnsiString Text, Caption;
    UINT Flags;
};

// Captures message boxes instead of showing them.
class CapturedBoxes : public ConsoleUserServices {
public:
    CapturedBoxes() : previous_(SetUserServices(this)) {}
    ~CapturedBoxes() override { SetUserServices(previous_); }
    int MessageBox(HWND, const AnsiString& text, const AnsiString& caption, UINT flags) override {
        Shown.push_back({text, caption, flags});
        return IDOK;
    }
    std::vector<TShownBox> Shown;

private:
    UserServices* previous_;
};

TEST(ErrorDisplay, FullStopOnlyAfterCharactersThatSortAfterIt) {
    EXPECT_EQ(TApplication::ErrorDisplayText("Cannot open port"), "Cannot open port.");
    EXPECT_EQ(TApplication::ErrorDisplayText("Error 5"), "Error 5.");
    EXPECT_EQ(TApplication::ErrorDisplayText("Stop!"), "Stop!");
    EXPECT_EQ(TApplication::ErrorDisplayText("(see log)"), "(see log)");
    EXPECT_EQ(TApplication::ErrorDisplayText("Access is denied.\r\n"), "Access is denied.\r\n");
    EXPECT_EQ(TApplication::ErrorDisplayText("Done."), "Done.");
    EXPECT_EQ(TApplication::ErrorDisplayText("a,"), "a,");    // ',' sorts before '.'
    EXPECT_EQ(TApplication::ErrorDisplayText("C:/"), "C:/."); // '/' sorts after '.'
    EXPECT_EQ(TApplication::ErrorDisplayText(""), "");
    // Bytes above 127 sort after '.' too (the comparison is unsigned).
    EXPECT_EQ(TApplication::ErrorDisplayText("Fehler \xE4"), "Fehler \xE4.");
}

TEST(ErrorDisplay, HandleExceptionShowsAStopBoxCaptionedWithTheTitle) {
    CapturedBoxes boxes;
    TApplication app;
    app.SetTitle("VOKA");
    try {
        throw EOSError("Access is denied", 5);
    } catch (...) {
        app.HandleException(&app);
    }
    try {
        throw std::runtime_error("plain failure!");
    } catch (...) {
        app.HandleException(&app);
    }
    ASSERT_EQ(boxes.Shown.size(), 2u);
    EXPECT_EQ(boxes.Shown[0].Text, "Access is denied.");
    EXPECT_EQ(boxes.Shown[0].Caption, "VOKA");
    EXPECT_EQ(boxes.Shown[0].Flags, MB_OK | MB_ICONSTOP);
    EXPECT_EQ(boxes.Shown[1].Text, "plain failure!");
}

TEST(ErrorDisplay, OnExceptionReplacesTheBox) {
    CapturedBoxes boxes;
    TApplication app;
    struct TReceiver {
        AnsiString got;
        void Handle(TObject*, const Exception& e) { got = e.Message; }
    } receiver;
    app.SetOnException(TExceptionEvent::Bind<&TReceiver::Handle>(&receiver));
    try {
        throw Exception("handled elsewhere");
    } catch (...) {
        app.HandleException(nullptr);
    }
    EXPECT_EQ(receiver.got, "handled elsewhere");
    EXPECT_TRUE(boxes.Shown.empty());
}

TEST(ErrorDisplay, ErrorInALoopCallbackIsShownAndTheLoopGoesOn) {
    CapturedBoxes boxes;
    TApplication app;
    app.SetTitle("VOKA");
    bool later = false;
    TMessageLoop::Main().Post([] { throw Exception("Port COM1 not found"); });
    TMessageLoop::Main().Post([&] {
        later = true;
        app.Terminate();
    });
    app.Run();
    EXPECT_TRUE(later);
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Text, "Port COM1 not found.");
    EXPECT_EQ(boxes.Shown[0].Caption, "VOKA");
}

TEST(ApplicationObject, FirstOneMadeIsTheGlobalUntilDestroyed) {
    EXPECT_EQ(Application, nullptr);
    {
        TApplication first;
        TApplication second;
        EXPECT_EQ(Application, &first);
    }
    EXPECT_EQ(Application, nullptr);
}

TEST(ApplicationObject, InitializeRunsInitProcOnce) {
    static int calls;
    calls = 0;
    InitProc = [] { ++calls; };
    TApplication app;
    app.Initialize();
    app.Initialize();
    InitProc = nullptr;
    EXPECT_EQ(calls, 1);
}

std::vector<int> destroyedForms;
struct TFormStub;
TFormStub* Form1 = nullptr;

struct TFormStub : TComponent {
    explicit TFormStub(TComponent* owner)
        : TComponent(owner), referencedWhileBuilt(Form1 == this) {}
    ~TFormStub() override { destroyedForms.push_back(GetTag()); }
    bool referencedWhileBuilt;
};

TEST(ApplicationObject, FormsAreOwnedFirstIsMainAndReferenceIsSetBeforeConstruction) {
    destroyedForms.clear();
    {
        TApplication app;
        TFormStub* form2 = nullptr;
        app.CreateForm(Form1);
        app.CreateForm(form2);
        Form1->SetTag(1);
        form2->SetTag(2);
        EXPECT_TRUE(Form1->referencedWhileBuilt);
        EXPECT_EQ(app.GetMainForm(), Form1);
        TComponent* shown = nullptr;
        app.SetShowFormHook([&](TComponent* form) {
            shown = form;
            app.Terminate();
        });
        app.Run();
        EXPECT_EQ(shown, Form1);
    }
    EXPECT_EQ(destroyedForms, (std::vector<int>{2, 1}));
}

TEST(ApplicationObject, DestroyedMainFormIsForgotten) {
    TApplication app;
    TFormStub* form = nullptr;
    app.CreateForm(form);
    delete form;
    EXPECT_EQ(app.GetMainForm(), nullptr);
    EXPECT_EQ(app.ComponentCount(), 0);
}

} // namespace
