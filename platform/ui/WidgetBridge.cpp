#include "platform/ui/WidgetBridge.h"

#include <QApplication>
#include <QPalette>

#include <cmath>

#include "platform/classes/Application.h"
#include "platform/win32/User.h"

namespace {
const char* const ControlProperty = "vokaControl";
} // namespace

TControl* ControlOfWidget(const QWidget* widget) {
    if (!widget)
        return nullptr;
    return reinterpret_cast<TControl*>(widget->property(ControlProperty).value<quintptr>());
}

void BindWidget(QWidget* widget, TControl* control) {
    widget->setProperty(ControlProperty, QVariant::fromValue(reinterpret_cast<quintptr>(control)));
}

QColor ToQColor(TColor color) {
    auto bits = static_cast<uint32_t>(color);
    if ((bits & 0x80000000u) == 0)
        return QColor(bits & 0xFF, (bits >> 8) & 0xFF, (bits >> 16) & 0xFF);
    QPalette palette = QApplication::palette();
    switch (bits & 0xFF) {
    case 5:
        return palette.color(QPalette::Base);
    case 8:
        return palette.color(QPalette::WindowText);
    case 13:
        return palette.color(QPalette::Highlight);
    case 14:
        return palette.color(QPalette::HighlightedText);
    case 17:
        return palette.color(QPalette::Disabled, QPalette::Text);
    case 18:
        return palette.color(QPalette::ButtonText);
    case 24:
        return palette.color(QPalette::ToolTipBase);
    default:
        return palette.color(QPalette::Button);
    }
}

void InstallFontSubstitutes() {
    const QStringList sans = {"DejaVu Sans", "Liberation Sans", "Noto Sans", "Sans Serif"};
    for (const char* family :
         {"MS Sans Serif", "MS Shell Dlg", "MS Shell Dlg 2", "Tahoma", "Arial"})
        QFont::insertSubstitutions(family, sans);
}

QFont ToQFont(const TFont& font) {
    QFont result(ToQString(font.GetName()));
    result.setStyleHint(QFont::SansSerif);
    int height = font.GetHeight();
    // A positive height is the cell height: about a fifth of it is internal leading.
    int pixels = height < 0 ? -height : static_cast<int>(std::lround(height * 0.8));
    result.setPixelSize(pixels > 0 ? pixels : 11);
    TFontStyles style = font.GetStyle();
    result.setBold(style.Contains(fsBold));
    result.setItalic(style.Contains(fsItalic));
    result.setUnderline(style.Contains(fsUnderline));
    result.setStrikeOut(style.Contains(fsStrikeOut));
    return result;
}

void ShowEventError(TControl* control) {
    if (Application) {
        Application->HandleException(control);
        return;
    }
    try {
        throw;
    } catch (const std::exception& error) {
        MessageBoxA(nullptr, error.what(), "Error", MB_OK | MB_ICONSTOP);
    } catch (...) {
        MessageBoxA(nullptr, "Unknown exception", "Error", MB_OK | MB_ICONSTOP);
    }
}
