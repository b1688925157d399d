#include <QPushButton>

#include "platform/ui/StdCtrls.h"
#include "platform/ui/WidgetBridge.h"

VOKA_PUBLISH(TButton, p) {
    p.String("Caption", &TButton::GetCaption, &TButton::SetCaption);
    p.Bool("Default", &TButton::GetDefault, &TButton::SetDefault).Default(false);
}

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
    auto* button = new QPushButton;
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, button,
                     [this] { RunGuarded(this, [this] { Click(); }); });
    Impl().Widget = button;
    SetBounds(0, 0, 75, 25);
    WidgetAttached();
    SetTabStop(true);
}

void TButton::TextChanged() {
    // "&x" marks the accelerator here as well.
    if (auto* button = WidgetAs<QPushButton>(this))
        button->setText(ToQString(GetText()));
}

void TButton::SetDefault(bool value) {
    default_ = value;
    if (auto* button = WidgetAs<QPushButton>(this))
        button->setDefault(value);
}

void TButton::Press() {
    if (auto* button = WidgetAs<QPushButton>(this))
        button->click();
}
