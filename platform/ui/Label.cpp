#include <QFontMetrics>
#include <QLabel>

#include "platform/ui/StdCtrls.h"
#include "platform/ui/WidgetBridge.h"

VOKA_PUBLISH(TLabel, p) {
    p.Bool("AutoSize", &TLabel::GetAutoSize, &TLabel::SetAutoSize).Default(true);
    p.String("Caption", &TLabel::GetCaption, &TLabel::SetCaption);
    p.Bool("Transparent", &TLabel::GetTransparent, &TLabel::SetTransparent).Default(false);
    p.Bool("WordWrap", &TLabel::GetWordWrap, &TLabel::SetWordWrap).Default(false);
}

TLabel::TLabel(TComponent* AOwner) : TControl(AOwner) {
    auto* label = new QLabel;
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Impl().Widget = label;
    SetBounds(0, 0, 65, 17);
    WidgetAttached();
}

AnsiString TLabel::DisplayText() const {
    const AnsiString& text = GetText();
    AnsiString shown;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size())
            ++i;
        shown += text[i];
    }
    return shown;
}

void TLabel::TextChanged() {
    if (auto* label = WidgetAs<QLabel>(this))
        label->setText(ToQString(DisplayText()));
    AdjustBounds();
}

void TLabel::ApplyFont() {
    inherited::ApplyFont();
    AdjustBounds();
}

void TLabel::SetAutoSize(bool value) {
    autoSize_ = value;
    AdjustBounds();
}

void TLabel::SetWordWrap(bool value) {
    wordWrap_ = value;
    if (auto* label = WidgetAs<QLabel>(this))
        label->setWordWrap(value);
    AdjustBounds();
}

void TLabel::SetTransparent(bool value) {
    transparent_ = value;
    if (QWidget* widget = WidgetOf(this))
        widget->setAutoFillBackground(!value);
}

void TLabel::AdjustBounds() {
    // A label read from a description keeps the size it was designed with (measured with
    // the original font); later changes of text or font size it anew.
    if (!autoSize_ || IsLoading())
        return;
    QWidget* widget = WidgetOf(this);
    if (!widget)
        return;
    QFontMetrics metrics(widget->font());
    QString text = ToQString(DisplayText());
    if (wordWrap_) {
        QRect rect = metrics.boundingRect(QRect(0, 0, GetWidth(), 100000),
                                          Qt::TextWordWrap | Qt::AlignLeft, text);
        SetBounds(GetLeft(), GetTop(), GetWidth(), rect.height());
        return;
    }
    int width = 0;
    int lines = 0;
    for (const QString& line : text.split('\n')) {
        width = std::max(width, metrics.horizontalAdvance(line));
        ++lines;
    }
    SetBounds(GetLeft(), GetTop(), width, metrics.height() * std::max(lines, 1));
}
