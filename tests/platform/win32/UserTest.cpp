#include <gmock/gmock.h>

#include "platform/win32/User.h"

namespace {
class CapturingServices : public UserServices {
public:
    int MessageBox(HWND owner, const AnsiString& text, const AnsiString& caption,
                   UINT flags) override {
        boxes.push_back({owner, text, caption, flags});
        return answer;
    }
    BOOL MessageBeep(UINT type) override {
        beeps.push_back(type);
        return TRUE;
    }
    HWND GetForegroundWindow() override { return foreground; }
    void OutputDebugString(const AnsiString& text) override { debug.push_back(text); }

    struct Box {
        HWND owner;
        AnsiString text, caption;
        UINT flags;
    };
    std::vector<Box> boxes;
    std::vector<UINT> beeps;
    std::vector<AnsiString> debug;
    HWND foreground = reinterpret_cast<HWND>(0x1234);
    int answer = IDCANCEL;
};

class UserTest : public ::testing::Test {
protected:
    void SetUp() override { previous_ = SetUserServices(&capture); }
    void TearDown() override { SetUserServices(previous_); }
    CapturingServices capture;

private:
    UserServices* previous_ = nullptr;
};
} // namespace

TEST_F(UserTest, CallsReachTheInstalledService) {
    EXPECT_EQ(MessageBoxA(nullptr, "Could not find Update program", "Reflash Error", MB_OK),
              IDCANCEL);
    ASSERT_EQ(capture.boxes.size(), 1u);
    EXPECT_EQ(capture.boxes[0].text, "Could not find Update program");
    EXPECT_EQ(capture.boxes[0].caption, "Reflash Error");
    EXPECT_EQ(capture.boxes[0].flags, MB_OK);
    EXPECT_EQ(capture.boxes[0].owner, nullptr);

    HWND foreground = GetForegroundWindow();
    EXPECT_EQ(foreground, capture.foreground);
    MessageBoxA(foreground, "error", nullptr, MB_ICONERROR);
    EXPECT_EQ(capture.boxes[1].owner, foreground);
    EXPECT_EQ(capture.boxes[1].caption, "Error"); // no caption: the system's default

    EXPECT_TRUE(MessageBeep(0));
    EXPECT_THAT(capture.beeps, ::testing::ElementsAre(0u));
    OutputDebugStringA("stage 1");
    OutputDebugStringA(nullptr);
    EXPECT_THAT(capture.debug, ::testing::ElementsAre("stage 1", ""));
}

TEST_F(UserTest, RemovingTheServiceRestoresTheConsole) {
    EXPECT_EQ(SetUserServices(nullptr), &capture);
    EXPECT_NE(dynamic_cast<ConsoleUserServices*>(&CurrentUserServices()), nullptr);
    EXPECT_EQ(GetForegroundWindow(), nullptr);
    EXPECT_EQ(MessageBoxA(nullptr, "text", "caption", MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_TRUE(capture.boxes.empty());
}

TEST(MessageBoxAnswerTest, DefaultButtonOfEachKind) {
    EXPECT_EQ(DefaultMessageBoxAnswer(MB_OK), IDOK);
    EXPECT_EQ(DefaultMessageBoxAnswer(MB_OK | MB_ICONERROR), IDOK);
    EXPECT_EQ(DefaultMessageBoxAnswer(MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
    EXPECT_EQ(DefaultMessageBoxAnswer(MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
    EXPECT_EQ(DefaultMessageBoxAnswer(MB_YESNO), IDYES);
    EXPECT_EQ(DefaultMessageBoxAnswer(MB_ABORTRETRYIGNORE | MB_DEFBUTTON2), IDRETRY);
    EXPECT_EQ(DefaultMessageBoxAnswer(MB_RETRYCANCEL), IDRETRY);
    EXPECT_EQ(DefaultMessageBoxAnswer(MB_CANCELTRYCONTINUE | MB_DEFBUTTON3), IDCONTINUE);
    // A default button the box does not have falls back to the first.
    EXPECT_EQ(DefaultMessageBoxAnswer(MB_YESNO | MB_DEFBUTTON3), IDYES);
    EXPECT_THAT(MessageBoxButtons(MB_YESNOCANCEL), ::testing::ElementsAre(IDYES, IDNO, IDCANCEL));
}
