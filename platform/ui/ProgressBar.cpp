#include <QProgressBar>

#include <algorithm>

#include "platform/ui/ComCtrls.h"
#include "platform/ui/WidgetBridge.h"

VOKA_PUBLISH(TProgressBar, p) {
    p.Integer("Min", &TProgressBar::GetMin, &TProgressBar::SetMin).Default(0);
    p.Integer("Max", &TProgressBar::GetMax, &TProgressBar::SetMax).Default(100);
    p.Integer("Position", &TProgressBar::GetPosition, &TProgressBar::SetPosition).Default(0);
    p.Integer("Step", &TProgressBar::GetStep, &TProgressBar::SetStep).Default(10);
}

TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner) {
    auto* bar = new QProgressBar;
    bar->setTextVisible(false);
    bar->setFocusPolicy(Qt::NoFocus);
    Impl().Widget = bar;
    SetBounds(0, 0, 150, 16);
    WidgetAttached();
    ApplyRange();
}

void TProgressBar::SetMin(int value) {
    min_ = value;
    if (max_ < min_)
        max_ = min_;
    ApplyRange();
}

void TProgressBar::SetMax(int value) {
    max_ = value;
    if (min_ > max_)
        min_ = max_;
    ApplyRange();
}

void TProgressBar::SetPosition(int value) {
    position_ = std::clamp(value, min_, max_);
    if (auto* bar = WidgetAs<QProgressBar>(this))
        bar->setValue(position_);
}

void TProgressBar::ApplyRange() {
    position_ = std::clamp(position_, min_, max_);
    if (auto* bar = WidgetAs<QProgressBar>(this)) {
        bar->setRange(min_, max_);
        bar->setValue(position_);
    }
}
