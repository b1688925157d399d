#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <gmock/gmock.h>

#include "platform/classes/FormStreaming.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/WidgetBridge.h"
#include "tests/platform/ui/UiTestSupport.h"

namespace {
class TTestForm : public TForm {
    VOKA_CLASS(TTestForm, TForm)
public:
    using TForm::TForm;

    TImage* Banner = nullptr;
    TLabel* Title = nullptr;
    TLabel* Status = nullptr;
    TButton* btnGo = nullptr;
    TButton* btnStop = nullptr;
    TComboBox* Chooser = nullptr;
    TProgressBar* Bar = nullptr;
    TSaveDialog* SaveFile = nullptr;
    int goClicks = 0;

    void btnGoClick(TObject*) { ++goClicks; }
};
} // namespace

VOKA_PUBLISH(TTestForm, p) {
    p.Field("Banner", &TTestForm::Banner);
    p.Field("Title", &TTestForm::Title);
    p.Field("Status", &TTestForm::Status);
    p.Field("btnGo", &TTestForm::btnGo);
    p.Field("btnStop", &TTestForm::btnStop);
    p.Field("Chooser", &TTestForm::Chooser);
    p.Field("Bar", &TTestForm::Bar);
    p.Field("SaveFile", &TTestForm::SaveFile);
    p.Method<&TTestForm::btnGoClick>("btnGoClick");
}

namespace {
// Controls listed out of tab order on purpose: btnStop comes first but is second.
const char* const Description = R"(object TestForm: TTestForm
  Left = 543
  Top = 192
  BorderIcons = [biSystemMenu]
  BorderStyle = bsSingle
  Caption = 'VOKA Lumivox '
  ClientHeight = 341
  ClientWidth = 289
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  Icon.Resource = 'UITEST_ICON'
  ShowHint = False
  PixelsPerInch = 96
  object Banner: TImage
    Left = 16
    Top = 8
    Width = 257
    Height = 153
    Picture.Resource = 'UITEST_BANNER'
    Transparent = True
  end
  object Title: TLabel
    Left = 24
    Top = 176
    Width = 238
    Height = 16
    Caption = 'Lumivox Configuration Utility'
    Font.Charset = DEFAULT_CHARSET
    Font.Color = clWindowText
    Font.Height = 17
    Font.Name = 'MS Sans Serif'
    Font.Style = [fsBold]
    ParentFont = False
  end
  object Status: TLabel
    Left = 160
    Top = 256
    Width = 32
    Height = 13
    Caption = 'Label2'
    Visible = False
  end
  object btnStop: TButton
    Left = 40
    Top = 248
    Width = 89
    Height = 25
    Hint = 'Stop it'
    Caption = 'Stop'
    ParentShowHint = False
    ShowHint = True
    TabOrder = 1
  end
  object btnGo: TButton
    Left = 40
    Top = 208
    Width = 89
    Height = 25
    Hint = 'Go now|Starts the thing'
    Caption = 'Go'
    ParentShowHint = False
    ShowHint = True
    TabOrder = 0
    OnClick = btnGoClick
  end
  object Chooser: TComboBox
    Left = 152
    Top = 208
    Width = 97
    Height = 21
    Hint = 'Choose a COM port for Updating '
    Style = csDropDownList
    ItemHeight = 13
    TabOrder = 2
  end
  object Bar: TProgressBar
    Left = 152
    Top = 252
    Width = 97
    Height = 16
    Min = 0
    Max = 100
    Position = 5
    TabOrder = 3
    Visible = False
  end
  object SaveFile: TSaveDialog
    DefaultExt = '.BIN'
    FileName = 'Download'
    Filter = 'BIN files|*.BIN'
    Options = [ofOverwritePrompt, ofHideReadOnly, ofEnableSizing]
  end
end
)";

class FormDescriptionTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartToolkit();
        RegisterImageResource("UITEST_BANNER", 255, 150, "JPG");
        RegisterImageResource("UITEST_ICON", 32, 32, "PNG");
        form = std::make_unique<TTestForm>(nullptr);
        ReadRootComponent(Description, form.get());
    }

    QWidget* Window() const { return WidgetOf(form.get()); }

    std::unique_ptr<TTestForm> form;
};

TEST_F(FormDescriptionTest, WindowHasExactClientAreaPlaceAndFixedBorderWithCloseBoxOnly) {
    QWidget* window = Window();
    EXPECT_EQ(window->pos(), QPoint(543, 192));
    EXPECT_EQ(window->size(), QSize(289, 341));
    EXPECT_EQ(window->minimumSize(), QSize(289, 341));
    EXPECT_EQ(window->maximumSize(), QSize(289, 341));
    Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(window->windowTitle(), QString("VOKA Lumivox "));
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_EQ(form->GetClientWidth(), 289);
    EXPECT_EQ(form->GetBorderIcons(), TBorderIcons{biSystemMenu});
}

TEST_F(FormDescriptionTest, ControlsSitWhereDescribedWithTheirTexts) {
    EXPECT_EQ(WidgetOf(form->btnGo)->geometry(), QRect(40, 208, 89, 25));
    EXPECT_EQ(WidgetOf(form->Chooser)->geometry(), QRect(152, 208, 97, 21));
    EXPECT_EQ(WidgetOf(form->Bar)->geometry(), QRect(152, 252, 97, 16));
    EXPECT_EQ(WidgetOf(form->Banner)->geometry(), QRect(16, 8, 257, 153));
    // A label read from its description keeps its designed size.
    EXPECT_EQ(WidgetOf(form->Title)->geometry(), QRect(24, 176, 238, 16));
    EXPECT_EQ(WidgetAs<QPushButton>(form->btnGo)->text(), QString("Go"));
    EXPECT_EQ(WidgetAs<QLabel>(form->Title)->text(), QString("Lumivox Configuration Utility"));
    EXPECT_EQ(WidgetAs<QProgressBar>(form->Bar)->value(), 5);
    EXPECT_EQ(WidgetAs<QProgressBar>(form->Bar)->maximum(), 100);
    EXPECT_FALSE(WidgetAs<QComboBox>(form->Chooser)->isEditable());
    EXPECT_EQ(form->Banner->PictureWidth(), 255);
    EXPECT_EQ(form->Banner->PictureHeight(), 150);
    EXPECT_EQ(form->SaveFile->GetOptions(),
              (TOpenOptions{ofOverwritePrompt, ofHideReadOnly, ofEnableSizing}));
}

TEST_F(FormDescriptionTest, HiddenControlsStayHiddenWhenTheWindowShows) {
    EXPECT_FALSE(Window()->isVisible());
    form->Show();
    EXPECT_TRUE(Window()->isVisible());
    EXPECT_TRUE(WidgetOf(form->btnGo)->isVisible());
    EXPECT_TRUE(WidgetOf(form->Chooser)->isVisible());
    EXPECT_TRUE(WidgetOf(form->Title)->isVisible());
    EXPECT_FALSE(WidgetOf(form->Status)->isVisible());
    EXPECT_FALSE(WidgetOf(form->Bar)->isVisible());
    form->Bar->Show();
    form->Status->Hide();
    EXPECT_TRUE(WidgetOf(form->Bar)->isVisible());
}

TEST_F(FormDescriptionTest, TabOrderFollowsTheDescribedNumbersNotTheListing) {
    EXPECT_EQ(form->btnGo->GetTabOrder(), 0);
    EXPECT_EQ(form->btnStop->GetTabOrder(), 1);
    EXPECT_EQ(form->Chooser->GetTabOrder(), 2);
    EXPECT_EQ(form->Bar->GetTabOrder(), 3);
    // The keyboard visits the focusable ones in that order.
    QWidget* next = WidgetOf(form->btnGo)->nextInFocusChain();
    while (next->focusPolicy() == Qt::NoFocus)
        next = next->nextInFocusChain();
    EXPECT_EQ(next, WidgetOf(form->btnStop));
    next = next->nextInFocusChain();
    while (next->focusPolicy() == Qt::NoFocus)
        next = next->nextInFocusChain();
    EXPECT_EQ(next, WidgetOf(form->Chooser));

    form->Chooser->SetTabOrder(0);
    EXPECT_EQ(form->btnGo->GetTabOrder(), 1);
    EXPECT_EQ(form->btnStop->GetTabOrder(), 2);
    form->btnGo->SetTabOrder(99);
    EXPECT_EQ(form->btnGo->GetTabOrder(), 3);
}

TEST_F(FormDescriptionTest, OnlyControlsThatSwitchHintsOnShowThem) {
    EXPECT_EQ(WidgetOf(form->btnGo)->toolTip(), QString("Go now"));
    EXPECT_EQ(WidgetOf(form->btnStop)->toolTip(), QString("Stop it"));
    // The chooser follows the window, whose hints are off.
    EXPECT_TRUE(WidgetOf(form->Chooser)->toolTip().isEmpty());
    EXPECT_EQ(form->Chooser->GetHint(), "Choose a COM port for Updating ");
    form->SetShowHint(true);
    EXPECT_EQ(WidgetOf(form->Chooser)->toolTip(), QString("Choose a COM port for Updating "));
    form->SetShowHint(false);
    EXPECT_TRUE(WidgetOf(form->Chooser)->toolTip().isEmpty());
}

TEST_F(FormDescriptionTest, FontsSubstituteAndFollowTheParentUnlessSetOwn) {
    QFont windowFont = Window()->font();
    EXPECT_EQ(windowFont.pixelSize(), 11);
    EXPECT_EQ(form->GetFont()->GetSize(), 8);
    EXPECT_TRUE(WidgetOf(form->Title)->font().bold());
    EXPECT_FALSE(form->Title->GetParentFont());
    EXPECT_TRUE(form->Status->GetParentFont());

    form->GetFont()->SetHeight(-13);
    EXPECT_EQ(form->Status->GetFont()->GetHeight(), -13);
    EXPECT_EQ(WidgetOf(form->Status)->font().pixelSize(), 13);
    EXPECT_EQ(form->Title->GetFont()->GetHeight(), 17);
}

TEST_F(FormDescriptionTest, AutoSizedLabelFollowsItsTextAfterLoading) {
    EXPECT_EQ(form->Status->GetWidth(), 32);
    form->Status->SetCaption("Communication Error");
    QFontMetrics metrics(WidgetOf(form->Status)->font());
    EXPECT_EQ(form->Status->GetWidth(), metrics.horizontalAdvance("Communication Error"));
    EXPECT_EQ(form->Status->GetHeight(), metrics.height());
    EXPECT_EQ(form->Status->GetLeft(), 160);
    form->Status->SetCaption("&Done && dusted");
    EXPECT_EQ(WidgetAs<QLabel>(form->Status)->text(), QString("Done & dusted"));
}

TEST_F(FormDescriptionTest, ClickingAButtonRunsTheBoundHandler) {
    form->Show();
    WidgetAs<QPushButton>(form->btnGo)->click();
    EXPECT_EQ(form->goClicks, 1);
    form->btnGo->SetEnabled(false);
    WidgetAs<QPushButton>(form->btnGo)->click();
    EXPECT_EQ(form->goClicks, 1);
    WidgetAs<QPushButton>(form->btnStop)->click();
    EXPECT_EQ(form->goClicks, 1);
}

TEST_F(FormDescriptionTest, DestroyingTheFormTakesItsControlsAlong) {
    TButton* outsider = new TButton(nullptr);
    outsider->SetParent(form.get());
    form.reset();
    // Not owned by the form: it lives on, without a parent.
    EXPECT_EQ(outsider->GetParent(), nullptr);
    EXPECT_FALSE(WidgetOf(outsider)->isVisible());
    delete outsider;
}

TEST(FormDescription, UnknownPropertyNamesTheLine) {
    StartToolkit();
    const char* text = "object Form: TForm\n  Caption = 'x'\n  Colour = clRed\nend\n";
    TForm form(nullptr);
    EXPECT_THROW(ReadRootComponent(text, &form), Exception);
}
} // namespace
