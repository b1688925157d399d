#include "platform/ui/UserInterface.h"
#include "platform/ui/WidgetBridge.h"

namespace {
AnsiString ShortHint(const AnsiString& hint) {
    auto bar = hint.find('|');
    return bar == AnsiString::npos ? hint : hint.substr(0, bar);
}
} // namespace

VOKA_PUBLISH(TControl, p) {
    p.Integer("Left", &TControl::GetLeft, &TControl::SetLeft);
    p.Integer("Top", &TControl::GetTop, &TControl::SetTop);
    p.Integer("Width", &TControl::GetWidth, &TControl::SetWidth);
    p.Integer("Height", &TControl::GetHeight, &TControl::SetHeight);
    p.Bool("Enabled", &TControl::GetEnabled, &TControl::SetEnabled).Default(true);
    p.Object("Font", &TControl::GetFont);
    p.Integer("Color", &TControl::GetColor, &TControl::SetColor).Idents(ColorIdents());
    p.Bool("ParentColor", &TControl::GetParentColor, &TControl::SetParentColor).Default(false);
    p.Bool("ParentFont", &TControl::GetParentFont, &TControl::SetParentFont).Default(true);
    p.String("Hint", &TControl::GetHint, &TControl::SetHint);
    p.Bool("ParentShowHint", &TControl::GetParentShowHint, &TControl::SetParentShowHint)
        .Default(true);
    p.Bool("ShowHint", &TControl::GetShowHint, &TControl::SetShowHint).Default(false);
    p.Bool("Visible", &TControl::GetVisible, &TControl::SetVisible).Default(true);
    p.Event("OnClick", &TControl::GetOnClick, &TControl::SetOnClick);
}

TControl::TControl(TComponent* AOwner)
    : TComponent(AOwner), impl_(std::make_unique<TControlImpl>()),
      font_(std::make_unique<TFont>()) {
    EnsureUserInterface();
    font_->OnChange = TNotifyEvent::Bind<&TControl::FontPartChanged>(this);
}

TControl::~TControl() {
    Destroying();
    if (parent_)
        parent_->RemoveControl(this);
    delete impl_->Widget.data();
}

void TControl::SetParent(TWinControl* value) {
    if (value == parent_)
        return;
    if (value == this)
        throw EComponentError("A control cannot have itself as its parent");
    if (parent_)
        parent_->RemoveControl(this);
    QWidget* widget = WidgetOf(this);
    // The widget moves first, so that the new parent can place it in its tab chain.
    if (widget)
        widget->setParent(WidgetOf(value));
    if (value)
        value->InsertControl(this);
    if (widget) {
        ApplyBounds();
        ApplyVisible();
    }
    ParentFontChanged();
    if (parentColor_ && parent_)
        SetParentColor(true);
    ApplyHint();
}

TComponent* TControl::GetParentComponent() const {
    return parent_;
}

void TControl::SetParentComponent(TComponent* parent) {
    if (auto* control = dynamic_cast<TWinControl*>(parent))
        SetParent(control);
}

void TControl::SetBounds(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    width_ = width < 0 ? 0 : width;
    height_ = height < 0 ? 0 : height;
    ApplyBounds();
}

void TControl::ApplyBounds() {
    if (QWidget* widget = WidgetOf(this))
        widget->setGeometry(left_, top_, width_, height_);
}

void TControl::SetVisible(bool value) {
    if (value == visible_)
        return;
    visible_ = value;
    ApplyVisible();
}

void TControl::ApplyVisible() {
    QWidget* widget = WidgetOf(this);
    if (!widget)
        return;
    // A widget without a parent would become a window of its own.
    widget->setVisible(visible_ && parent_);
}

bool TControl::Showing() const {
    for (const TControl* control = this; control; control = control->parent_)
        if (!control->visible_)
            return false;
    return true;
}

void TControl::SetEnabled(bool value) {
    enabled_ = value;
    if (QWidget* widget = WidgetOf(this))
        widget->setEnabled(value);
}

void TControl::SetHint(const AnsiString& value) {
    hint_ = value;
    ApplyHint();
}

void TControl::SetShowHint(bool value) {
    parentShowHint_ = false;
    if (value == showHint_)
        return;
    showHint_ = value;
    ParentShowHintChanged();
}

void TControl::SetParentShowHint(bool value) {
    if (value == parentShowHint_)
        return;
    parentShowHint_ = value;
    ParentShowHintChanged();
}

bool TControl::ShowsHint() const {
    return showHint_ || (parentShowHint_ && parent_ && parent_->ShowsHint());
}

void TControl::ParentShowHintChanged() {
    ApplyHint();
}

void TControl::ApplyHint() {
    if (QWidget* widget = WidgetOf(this))
        widget->setToolTip(ShowsHint() ? ToQString(ShortHint(hint_)) : QString());
}

void TControl::SetParentFont(bool value) {
    parentFont_ = value;
    if (value)
        ParentFontChanged();
}

void TControl::ParentFontChanged() {
    if (!parentFont_ || !parent_)
        return;
    applyingParentFont_ = true;
    font_->Assign(parent_->GetFont());
    applyingParentFont_ = false;
}

void TControl::FontPartChanged(TObject*) {
    if (!applyingParentFont_)
        parentFont_ = false;
    ApplyFont();
}

void TControl::ApplyFont() {
    QWidget* widget = WidgetOf(this);
    if (!widget)
        return;
    widget->setFont(ToQFont(*font_));
    QPalette palette = widget->palette();
    QColor color = ToQColor(font_->GetColor());
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::ButtonText, color);
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}

void TControl::SetColor(TColor value) {
    color_ = value;
    parentColor_ = false;
    ApplyColor();
}

void TControl::SetParentColor(bool value) {
    if (value && parent_) {
        color_ = parent_->GetColor();
        ApplyColor();
    }
    parentColor_ = value;
}

void TControl::SetText(const AnsiString& value) {
    if (value == text_)
        return;
    text_ = value;
    TextChanged();
}

void TControl::TextChanged() {}

void TControl::Click() {
    if (onClick_)
        onClick_(this);
}

void TControl::Dispatch(TMessage&) {}

void TControl::Loaded() {
    inherited::Loaded();
    ApplyHint();
}

void TControl::WidgetAttached() {
    if (QWidget* widget = WidgetOf(this))
        BindWidget(widget, this);
    ApplyFont();
    ApplyBounds();
    ApplyVisible();
    ApplyHint();
    ApplyColor();
    if (QWidget* widget = WidgetOf(this))
        widget->setEnabled(enabled_);
}
