#include <QCloseEvent>
#include <QIcon>
#include <QPixmap>

#include "platform/classes/Application.h"
#include "platform/classes/DeviceBroadcast.h"
#include "platform/classes/MessageLoop.h"
#include "platform/ui/Forms.h"
#include "platform/ui/WidgetBridge.h"

namespace {
// The window of a form: its close box goes through the form's Close.
class FormWindow : public QWidget {
public:
    explicit FormWindow(TCustomForm* form) : form_(form) {}

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        form_->Close();
    }

private:
    TCustomForm* form_;
};

bool IsFixedSize(TFormBorderStyle style) {
    return style != bsSizeable && style != bsSizeToolWin;
}
} // namespace

VOKA_PUBLISH(TCustomForm, p) {
    p.Set("BorderIcons", &TCustomForm::GetBorderIcons, &TCustomForm::SetBorderIcons)
        .Default(TBorderIcons{biSystemMenu, biMinimize, biMaximize});
    p.Enum("BorderStyle", &TCustomForm::GetBorderStyle, &TCustomForm::SetBorderStyle)
        .Default(bsSizeable);
    p.String("Caption", &TCustomForm::GetCaption, &TCustomForm::SetCaption);
    p.Integer("ClientHeight", &TCustomForm::GetClientHeight, &TCustomForm::SetClientHeight);
    p.Integer("ClientWidth", &TCustomForm::GetClientWidth, &TCustomForm::SetClientWidth);
    p.Object("Icon", &TCustomForm::GetIcon);
    p.Integer("PixelsPerInch", &TCustomForm::GetPixelsPerInch, &TCustomForm::SetPixelsPerInch);
    p.Enum("Position", &TCustomForm::GetPosition, &TCustomForm::SetPosition).Default(poDesigned);
    p.Event("OnClose", &TCustomForm::GetOnClose, &TCustomForm::SetOnClose);
}

VOKA_PUBLISH(TForm, p) {}

TCustomForm::TCustomForm(TComponent* AOwner)
    : TWinControl(AOwner), icon_(std::make_unique<TIcon>()) {
    icon_->OnChange = TNotifyEvent::Bind<&TCustomForm::IconChanged>(this);
    Impl().Widget = new FormWindow(this);
    SetVisible(false);
    SetBounds(0, 0, 320, 240);
    WidgetAttached();
    ApplyWindowFlags();
    if (Application)
        Application->SetShowFormHook(&TCustomForm::ShowAsMainForm);
    AddDeviceChangeReceiver(TWndMethod::Bind<&TCustomForm::WMDeviceChange>(this));
}

TCustomForm::~TCustomForm() {
    RemoveDeviceChangeReceiver(TWndMethod::Bind<&TCustomForm::WMDeviceChange>(this));
    Destroying();
    DestroyComponents();
}

void TCustomForm::WMDeviceChange(TMessage& Message) {
    Broadcast(Message);
}

void TCustomForm::SetBorderIcons(TBorderIcons value) {
    borderIcons_ = value;
    ApplyWindowFlags();
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value) {
    borderStyle_ = value;
    ApplyWindowFlags();
    ApplyBounds();
}

void TCustomForm::SetPixelsPerInch(int value) {
    if (value > 0)
        pixelsPerInch_ = value;
}

void TCustomForm::ApplyWindowFlags() {
    QWidget* widget = WidgetOf(this);
    if (!widget)
        return;
    Qt::WindowFlags flags = Qt::Window;
    if (borderStyle_ == bsNone) {
        flags |= Qt::FramelessWindowHint;
    } else {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (borderStyle_ == bsToolWindow || borderStyle_ == bsSizeToolWin)
            flags |= Qt::Tool;
        if (borderIcons_.Contains(biSystemMenu)) {
            flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
            // A dialog frame and tool windows have no minimise or maximise box.
            bool boxes = borderStyle_ == bsSingle || borderStyle_ == bsSizeable;
            if (boxes && borderIcons_.Contains(biMinimize))
                flags |= Qt::WindowMinimizeButtonHint;
            if (boxes && borderIcons_.Contains(biMaximize))
                flags |= Qt::WindowMaximizeButtonHint;
            if (borderIcons_.Contains(biHelp))
                flags |= Qt::WindowContextHelpButtonHint;
        }
        if (IsFixedSize(borderStyle_))
            flags |= Qt::MSWindowsFixedSizeDialogHint;
    }
    bool wasVisible = widget->isVisible();
    widget->setWindowFlags(flags);
    if (wasVisible)
        widget->show();
}

void TCustomForm::ApplyBounds() {
    QWidget* widget = WidgetOf(this);
    if (!widget)
        return;
    // The client area is exact; the frame around it is the window manager's.
    if (IsFixedSize(borderStyle_)) {
        widget->setFixedSize(GetWidth(), GetHeight());
    } else {
        widget->setMinimumSize(0, 0);
        widget->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        widget->resize(GetWidth(), GetHeight());
    }
    widget->move(GetLeft(), GetTop());
}

void TCustomForm::ApplyVisible() {
    QWidget* widget = WidgetOf(this);
    // A form read from its description appears once it has been read whole.
    if (!widget || IsLoading())
        return;
    widget->setVisible(GetVisible());
}

void TCustomForm::ApplyColor() {
    if (QWidget* widget = WidgetOf(this)) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Window, ToQColor(GetColor()));
        widget->setPalette(palette);
        widget->setAutoFillBackground(true);
    }
    inherited::ApplyColor();
}

void TCustomForm::TextChanged() {
    if (QWidget* widget = WidgetOf(this))
        widget->setWindowTitle(ToQString(GetText()));
}

void TCustomForm::IconChanged(TObject*) {
    QWidget* widget = WidgetOf(this);
    if (!widget)
        return;
    QPixmap pixmap;
    auto data = icon_->Data();
    if (!data.empty())
        pixmap.loadFromData(data.data(), static_cast<uint>(data.size()));
    widget->setWindowIcon(pixmap.isNull() ? QIcon() : QIcon(pixmap));
}

void TCustomForm::Loaded() {
    inherited::Loaded();
    ApplyVisible();
}

void TCustomForm::ShowAsMainForm(TComponent* component) {
    if (auto* form = dynamic_cast<TCustomForm*>(component)) {
        form->Show();
        form->BringToFront();
    }
}

void TCustomForm::BringToFront() {
    if (QWidget* widget = WidgetOf(this)) {
        widget->raise();
        widget->activateWindow();
    }
}

void TCustomForm::Close() {
    TCloseAction action = caHide;
    if (onClose_)
        onClose_(this, action);
    if (action == caNone)
        return;
    if (Application && Application->GetMainForm() == this) {
        Application->Terminate();
        return;
    }
    switch (action) {
    case caFree:
        // Not inside the caller's stack: the form may be closing from its own handler.
        Hide();
        TMessageLoop::Main().Post([this] { delete this; });
        break;
    case caMinimize:
        if (QWidget* widget = WidgetOf(this))
            widget->showMinimized();
        break;
    default:
        Hide();
        break;
    }
}
