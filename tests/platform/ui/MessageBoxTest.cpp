#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gmock/gmock.h>

#include <functional>

#include "platform/classes/Application.h"
#include "platform/ui/Forms.h"
#include "platform/ui/MessageBoxCapture.h"
#include "platform/ui/WidgetBridge.h"
#include "tests/platform/ui/UiTestSupport.h"

namespace {
// Runs inspect on the message box Qt shows next, which must close it.
void OnNextBox(std::function<void(QMessageBox&)> inspect) {
    QTimer::singleShot(0, [inspect] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        inspect(*box);
    });
}

QAbstractButton* ButtonText(QMessageBox& box, const QString& text) {
    for (QAbstractButton* button : box.buttons())
        if (button->text() == text)
            return button;
    return nullptr;
}

TEST(QtMessageBox, ShowsTextCaptionIconAndButtonsAndAnswersTheOneClicked) {
    StartToolkit();
    QtUserServices services;
    QString title, text, defaultText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttonCount = 0;
    OnNextBox([&](QMessageBox& box) {
        title = box.windowTitle();
        text = box.text();
        icon = box.icon();
        buttonCount = static_cast<int>(box.buttons().size());
        defaultText = box.defaultButton() ? box.defaultButton()->text() : QString();
        ButtonText(box, "&Yes")->click();
    });
    int answer = services.MessageBox(nullptr, "Replace the file?", "VOKA",
                                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    EXPECT_EQ(answer, IDYES);
    EXPECT_EQ(title, QString("VOKA"));
    EXPECT_EQ(text, QString("Replace the file?"));
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_EQ(buttonCount, 2);
    EXPECT_EQ(defaultText, QString("&No"));
}

TEST(QtMessageBox, EscapeAnswersCancelOrTheOnlyOk) {
    StartToolkit();
    QtUserServices services;
    OnNextBox([](QMessageBox& box) { box.reject(); });
    EXPECT_EQ(services.MessageBox(nullptr, "t", "c", MB_OKCANCEL), IDCANCEL);
    OnNextBox([](QMessageBox& box) { box.reject(); });
    EXPECT_EQ(services.MessageBox(nullptr, "t", "c", MB_OK | MB_ICONSTOP), IDOK);
}

TEST(QtMessageBox, OwnerWindowBecomesTheBoxParent) {
    StartToolkit();
    QtUserServices services;
    TForm form(nullptr);
    form.Show();
    QWidget* parent = nullptr;
    OnNextBox([&](QMessageBox& box) {
        parent = box.parentWidget();
        box.accept();
    });
    services.MessageBox(form.GetHandle(), "t", "c", MB_OK);
    EXPECT_EQ(parent, WidgetOf(&form));
}

TEST(MessageBoxCapture, ApplicationErrorDisplayGoesThroughMessageBoxA) {
    StartToolkit();
    TMessageBoxCapture capture;
    TApplication application;
    application.SetTitle("VOKA");
    application.ShowException(Exception("Cannot open COM1"));
    application.ShowException(Exception("Port busy!"));
    auto boxes = capture.Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].Text, "Cannot open COM1.");
    EXPECT_EQ(boxes[0].Caption, "VOKA");
    EXPECT_EQ(boxes[0].Icon(), MB_ICONSTOP);
    EXPECT_EQ(boxes[1].Text, "Port busy!");
}

TEST(MessageBoxCapture, AnswersFromItsScriptThenDefaultsAndRestoresThePrevious) {
    StartToolkit();
    UserServices* before = &CurrentUserServices();
    {
        TMessageBoxCapture capture;
        capture.Answer(IDNO);
        EXPECT_EQ(MessageBoxA(nullptr, "a", "b", MB_YESNO), IDNO);
        EXPECT_EQ(MessageBoxA(nullptr, "a", "b", MB_YESNO | MB_DEFBUTTON2), IDNO);
        EXPECT_EQ(MessageBoxA(nullptr, "a", "b", MB_YESNO), IDYES);
        MessageBeep(MB_SIMPLEBEEP);
        EXPECT_EQ(capture.Beeps().size(), 1u);
        // The toolkit coming up does not push a test's capture aside.
        static int argc = 1;
        static char name[] = "again";
        static char* argv[] = {name, nullptr};
        InitUserInterface(argc, argv);
        EXPECT_EQ(&CurrentUserServices(), &capture);
    }
    EXPECT_EQ(&CurrentUserServices(), before);
}
} // namespace
