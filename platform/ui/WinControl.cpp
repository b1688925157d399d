#include <algorithm>
#include <set>

#include "platform/ui/WidgetBridge.h"

namespace {
// Window controls alive now, so that a handle can be checked before it is used.
std::set<const TWinControl*>& LiveControls() {
    static std::set<const TWinControl*> controls;
    return controls;
}
} // namespace

VOKA_PUBLISH(TWinControl, p) {
    p.Integer("TabOrder", &TWinControl::GetTabOrder, &TWinControl::SetTabOrder).Default(-1);
    p.Bool("TabStop", &TWinControl::GetTabStop, &TWinControl::SetTabStop);
}

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {
    LiveControls().insert(this);
}

TWinControl::~TWinControl() {
    LiveControls().erase(this);
    // Leave the parent's tab list while this is still a window control.
    if (TWinControl* parent = GetParent())
        parent->RemoveControl(this);
    // Controls this one does not own stay alive without a parent; their widgets must not
    // go down with ours.
    while (!controls_.empty())
        controls_.back()->SetParent(nullptr);
}

TWinControl* FindControl(HWND handle) {
    auto* control = static_cast<const TWinControl*>(handle);
    return LiveControls().contains(control) ? const_cast<TWinControl*>(control) : nullptr;
}

HWND TWinControl::GetHandle() const {
    return const_cast<TWinControl*>(this);
}

TControl* TWinControl::Controls(int index) const {
    if (index < 0 || index >= ControlCount())
        throw EListError::IndexOutOfBounds(index);
    return controls_[static_cast<size_t>(index)];
}

void TWinControl::InsertControl(TControl* control) {
    controls_.push_back(control);
    control->parent_ = this;
    if (auto* window = dynamic_cast<TWinControl*>(control)) {
        tabList_.push_back(window);
        ApplyTabOrder();
    }
}

void TWinControl::RemoveControl(TControl* control) {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
    control->parent_ = nullptr;
    auto* window = dynamic_cast<TWinControl*>(control);
    if (window && std::erase(tabList_, window) > 0)
        ApplyTabOrder();
}

void TWinControl::Broadcast(TMessage& Message) {
    // A control may go while it handles the message: the list is taken first.
    const std::vector<TControl*> controls = controls_;
    for (TControl* control : controls) {
        if (std::find(controls_.begin(), controls_.end(), control) == controls_.end())
            continue;
        control->Dispatch(Message);
        if (Message.Result != 0)
            return;
    }
}

void TWinControl::SetParent(TWinControl* value) {
    TWinControl* previous = GetParent();
    inherited::SetParent(value);
    if (value && value != previous && pendingTabOrder_ >= 0 && !IsLoading())
        SetTabOrder(pendingTabOrder_);
}

int TWinControl::GetTabOrder() const {
    TWinControl* parent = GetParent();
    if (!parent)
        return -1;
    auto& list = parent->tabList_;
    return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TWinControl::SetTabOrder(int value) {
    TWinControl* parent = GetParent();
    // While reading, the parent sorts its list once all its controls are there.
    if (!parent || IsLoading())
        pendingTabOrder_ = value;
    if (!parent)
        return;
    auto& list = parent->tabList_;
    int current = GetTabOrder();
    int target = std::clamp(value, 0, static_cast<int>(list.size()) - 1);
    if (target == current)
        return;
    list.erase(list.begin() + current);
    list.insert(list.begin() + target, this);
    parent->ApplyTabOrder();
}

void TWinControl::Loaded() {
    inherited::Loaded();
    // Place the controls read with a tab order at their positions; the rest keep theirs.
    std::vector<TWinControl*> byOrder(tabList_.size(), nullptr);
    for (TWinControl* control : tabList_) {
        int order = control->pendingTabOrder_;
        if (order >= 0 && order < static_cast<int>(byOrder.size()) && !byOrder[order])
            byOrder[static_cast<size_t>(order)] = control;
    }
    for (size_t i = 0; i < byOrder.size(); ++i)
        if (byOrder[i]) {
            byOrder[i]->pendingTabOrder_ = -1;
            byOrder[i]->SetTabOrder(static_cast<int>(i));
        }
}

void TWinControl::ApplyTabOrder() {
    QWidget* previous = nullptr;
    for (TWinControl* control : tabList_) {
        QWidget* widget = WidgetOf(control);
        if (!widget)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

void TWinControl::SetTabStop(bool value) {
    tabStop_ = value;
    if (QWidget* widget = WidgetOf(this))
        widget->setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus);
}

void TWinControl::SetFocus() {
    if (QWidget* widget = WidgetOf(this))
        widget->setFocus(Qt::OtherFocusReason);
}

bool TWinControl::Focused() const {
    QWidget* widget = WidgetOf(this);
    return widget && widget->hasFocus();
}

void TWinControl::ApplyFont() {
    inherited::ApplyFont();
    for (TControl* control : std::vector<TControl*>(controls_))
        control->ParentFontChanged();
}

void TWinControl::ApplyColor() {
    for (TControl* control : std::vector<TControl*>(controls_))
        if (control->GetParentColor())
            control->SetParentColor(true);
}

void TWinControl::ParentShowHintChanged() {
    inherited::ParentShowHintChanged();
    for (TControl* control : std::vector<TControl*>(controls_))
        control->ParentShowHintChanged();
}

void TWinControl::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) {
    for (TControl* control : std::vector<TControl*>(controls_))
        if (control->Owner() == root)
            proc(control);
    if (root == this)
        TComponent::GetChildren(proc, root);
}
