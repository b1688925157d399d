#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

#include <gmock/gmock.h>

#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/WidgetBridge.h"
#include "tests/platform/ui/UiTestSupport.h"

namespace {
void PressKey(TControl* control, int key, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(WidgetOf(control), &press);
}

class Recorder : public TObject {
public:
    std::vector<std::string> events;
    int itemIndexAtChange = -2;
    void Clicked(TObject*) { events.push_back("click"); }
    void Changed(TObject* sender) {
        events.push_back("change");
        itemIndexAtChange = static_cast<TCustomComboBox*>(sender)->GetItemIndex();
    }
    void Swallow(TObject*, char& key) {
        if (key == 'x')
            key = 0;
        if (key == 'a')
            key = 'A';
    }
};

class ComboBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartToolkit();
        combo = new TComboBox(&form);
        combo->SetParent(&form);
        combo->SetStyle(csDropDownList);
        combo->SetOnClick(TNotifyEvent::Bind<&Recorder::Clicked>(&recorder));
        combo->SetOnChange(TNotifyEvent::Bind<&Recorder::Changed>(&recorder));
    }
    TForm form{nullptr};
    TComboBox* combo = nullptr;
    Recorder recorder;
    TObject first, second, third;
};

TEST_F(ComboBoxTest, AddingItemsSelectsNoneAndKeepsTheirObjects) {
    TStrings* items = combo->GetItems();
    items->AddObject("COM1", &first);
    items->AddObject("COM3", &second);
    EXPECT_EQ(combo->GetItemIndex(), -1);
    EXPECT_EQ(items->Count(), 2);
    EXPECT_EQ(items->Objects(1), &second);
    EXPECT_EQ(items->Strings(0), "COM1");
    EXPECT_THROW(items->Objects(2), EListError);
    combo->SetItemIndex(1);
    EXPECT_EQ(combo->GetText(), "COM3");
    items->Delete(1);
    EXPECT_EQ(combo->GetItemIndex(), -1);
    combo->SetItemIndex(7);
    EXPECT_EQ(combo->GetItemIndex(), -1);
    EXPECT_TRUE(recorder.events.empty());
}

TEST_F(ComboBoxTest, UserPickRunsClickThenChangeButCodeSelectionRunsNeither) {
    combo->GetItems()->Add("COM1");
    combo->GetItems()->Add("COM3");
    combo->SetItemIndex(0);
    EXPECT_TRUE(recorder.events.empty());
    form.Show();
    PressKey(combo, Qt::Key_Down);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"click", "change"}));
    EXPECT_EQ(recorder.itemIndexAtChange, 1);
}

TEST_F(ComboBoxTest, SortedBoxPlacesItemsAndKeepsTheSelection) {
    TStrings* items = combo->GetItems();
    items->AddObject("COM4", &first);
    items->AddObject("COM10", &second);
    combo->SetItemIndex(0);
    combo->SetSorted(true);
    EXPECT_EQ(items->Strings(0), "COM10");
    EXPECT_EQ(items->Objects(0), &second);
    EXPECT_EQ(combo->GetText(), "COM4");
    items->AddObject("com2", &third);
    EXPECT_EQ(items->Strings(1), "com2");
    combo->SetText("COM10");
    EXPECT_EQ(combo->GetItemIndex(), 0);
    combo->SetText("nothing");
    EXPECT_EQ(combo->GetItemIndex(), -1);
}

TEST_F(ComboBoxTest, ItemHeightAppliesToTheDropDownList) {
    combo->SetItemHeight(13);
    combo->GetItems()->Add("COM1");
    auto* widget = WidgetAs<QComboBox>(combo);
    QStyleOptionViewItem option;
    EXPECT_EQ(widget->itemDelegate()->sizeHint(option, widget->model()->index(0, 0)).height(), 13);
}

class EditTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartToolkit();
        edit = new TEdit(&form);
        edit->SetParent(&form);
        form.Show();
    }

public:
    // A hook in the style of a terminal: records typed characters, passes on when told.
    void Hook(TMessage& message) {
        if (message.Msg == WM_CHAR)
            typed += static_cast<char>(message.WParam);
        if (passOn)
            saved(message);
    }

protected:
    TForm form{nullptr};
    TEdit* edit = nullptr;
    TWndMethod saved;
    std::string typed;
    bool passOn = true;
};

TEST_F(EditTest, TypedCharactersPassKeyPressBeforeTheyShow) {
    Recorder recorder;
    edit->SetOnKeyPress(TKeyPressEvent::Bind<&Recorder::Swallow>(&recorder));
    PressKey(edit, Qt::Key_B, "b");
    PressKey(edit, Qt::Key_X, "x");
    PressKey(edit, Qt::Key_A, "a");
    EXPECT_EQ(edit->GetText(), "bA");
    PressKey(edit, Qt::Key_Backspace, "\b");
    EXPECT_EQ(edit->GetText(), "b");
}

TEST_F(EditTest, HookedWindowProcedureSeesTypedCharactersAndMayKeepThem) {
    saved = edit->GetWindowProc();
    edit->SetWindowProc(TWndMethod::Bind<&EditTest::Hook>(this));
    PressKey(edit, Qt::Key_H, "h");
    passOn = false;
    PressKey(edit, Qt::Key_I, "i");
    PressKey(edit, Qt::Key_Return, "\r");
    EXPECT_EQ(typed, "hi\r");
    EXPECT_EQ(edit->GetText(), "h");
    edit->SetWindowProc(saved);
    PressKey(edit, Qt::Key_J, "j");
    EXPECT_EQ(typed, "hi\r");
    EXPECT_EQ(edit->GetText(), "hj");
}

TEST_F(EditTest, ReplaceSelectionInsertsBytesAtTheCaretEvenWhenReadOnly) {
    edit->SetText("AB");
    edit->SetSelStart(1);
    edit->SetReadOnly(true);
    const char received[] = "x\xE9y";
    edit->Perform(EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(received));
    EXPECT_EQ(WidgetAs<QLineEdit>(edit)->text(), QString::fromLatin1("Ax\xE9yB"));
    // A read-only edit takes no characters.
    edit->Perform(WM_CHAR, 'z', 1);
    EXPECT_EQ(WidgetAs<QLineEdit>(edit)->text(), QString::fromLatin1("Ax\xE9yB"));
    edit->SetReadOnly(false);
    edit->Perform(WM_CHAR, 'z', 1);
    EXPECT_EQ(edit->GetSelStart(), 5);
    EXPECT_EQ(WidgetAs<QLineEdit>(edit)->text(), QString::fromLatin1("Ax\xE9yzB"));
    EXPECT_EQ(FindControl(edit->GetWindowHandle()), edit);
}
} // namespace
