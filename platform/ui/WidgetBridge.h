#pragma once
// The toolkit side of the controls. Included only by the window layer's own sources and
// its tests: this is where Qt's headers enter.
#include <QColor>
#include <QFont>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "platform/ui/Controls.h"

struct TControlImpl {
    // Cleared by Qt when the widget goes first; the control never deletes it twice.
    QPointer<QWidget> Widget;
};

inline QWidget* WidgetOf(const TControl* control) {
    return control ? control->Impl().Widget.data() : nullptr;
}

// Marks widget as the control's (done by TControl when the widget is attached).
void BindWidget(QWidget* widget, TControl* control);
// The control a widget belongs to (nullptr for widgets of no control).
TControl* ControlOfWidget(const QWidget* widget);

template <class W> W* WidgetAs(const TControl* control) {
    return qobject_cast<W*>(WidgetOf(control));
}

// Texts of the program are UTF-8 (ASCII in practice); file names are the system's bytes.
inline QString ToQString(const AnsiString& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline AnsiString FromQString(const QString& text) {
    QByteArray bytes = text.toUtf8();
    return AnsiString(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QColor ToQColor(TColor color);
// The toolkit font standing in for a font description (substitutes for missing families).
QFont ToQFont(const TFont& font);
// Makes the substitutes for the classic dialog fonts known to the toolkit.
void InstallFontSubstitutes();

void ShowEventError(TControl* control);

// Runs a control's reaction to a toolkit signal. An error it raises goes to the
// application's error display, as an error escaping a command must, and never unwinds
// through the toolkit's event dispatch.
template <class F> void RunGuarded(TControl* control, F&& reaction) {
    try {
        reaction();
    } catch (...) {
        ShowEventError(control);
    }
}
