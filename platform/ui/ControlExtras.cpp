#include "platform/ui/ControlExtras.h"

#include <QEvent>
#include <QKeyEvent>
#include <utility>

#include "platform/ui/Controls.h"
#include "platform/ui/WidgetBridge.h"

VOKA_PUBLISH(TSizeConstraints, p) {
    p.Integer("MaxHeight", &TSizeConstraints::MaxHeight).Default(0);
    p.Integer("MaxWidth", &TSizeConstraints::MaxWidth).Default(0);
    p.Integer("MinHeight", &TSizeConstraints::MinHeight).Default(0);
    p.Integer("MinWidth", &TSizeConstraints::MinWidth).Default(0);
}

const TIntegerIdents& CursorIdents() {
    static const TIntegerIdents idents = {
        {"crDefault", 0},     {"crNone", -1},     {"crArrow", -2},      {"crCross", -3},
        {"crIBeam", -4},      {"crSizeNESW", -6}, {"crSizeNS", -7},     {"crSizeNWSE", -8},
        {"crSizeWE", -9},     {"crUpArrow", -10}, {"crHourGlass", -11}, {"crDrag", crDrag},
        {"crNoDrop", -13},    {"crHSplit", -14},  {"crVSplit", -15},    {"crMultiDrag", -16},
        {"crSQLWait", -17},   {"crNo", -18},      {"crAppStart", -19},  {"crHelp", -20},
        {"crHandPoint", -21}, {"crSizeAll", -22},
    };
    return idents;
}

namespace {
uint16_t VirtualKeyOf(int key) {
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return static_cast<uint16_t>(key); // the same codes
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return static_cast<uint16_t>(0x70 + (key - Qt::Key_F1));
    static const std::pair<int, uint16_t> keys[] = {
        {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, 0x09},      {Qt::Key_Backtab, 0x09},
        {Qt::Key_Return, 0x0D},    {Qt::Key_Enter, 0x0D},    {Qt::Key_Shift, 0x10},
        {Qt::Key_Control, 0x11},   {Qt::Key_Alt, 0x12},      {Qt::Key_Pause, 0x13},
        {Qt::Key_CapsLock, 0x14},  {Qt::Key_Escape, 0x1B},   {Qt::Key_Space, 0x20},
        {Qt::Key_PageUp, 0x21},    {Qt::Key_PageDown, 0x22}, {Qt::Key_End, 0x23},
        {Qt::Key_Home, 0x24},      {Qt::Key_Left, 0x25},     {Qt::Key_Up, 0x26},
        {Qt::Key_Right, 0x27},     {Qt::Key_Down, 0x28},     {Qt::Key_Insert, 0x2D},
        {Qt::Key_Delete, 0x2E},
    };
    for (const auto& [qtKey, virtualKey] : keys)
        if (qtKey == key)
            return virtualKey;
    return 0;
}

TShiftState ShiftOf(Qt::KeyboardModifiers modifiers) {
    TShiftState shift;
    if (modifiers & Qt::ShiftModifier)
        shift += TShiftState{ssShift};
    if (modifiers & Qt::AltModifier)
        shift += TShiftState{ssAlt};
    if (modifiers & Qt::ControlModifier)
        shift += TShiftState{ssCtrl};
    return shift;
}

class ExtrasFeed : public QObject {
public:
    ExtrasFeed(QWidget* widget, TWinControl& control, TControlExtras& extras)
        : QObject(widget), control_(control), extras_(extras) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        bool swallowed = false;
        RunGuarded(&control_, [&] { swallowed = Dispatch(*event); });
        return swallowed;
    }

private:
    // Whether a handler swallowed the event.
    bool Dispatch(QEvent& event) {
        switch (event.type()) {
        case QEvent::FocusIn:
            if (extras_.OnEnter)
                extras_.OnEnter(&control_);
            return false;
        case QEvent::FocusOut:
            if (extras_.OnExit)
                extras_.OnExit(&control_);
            return false;
        case QEvent::MouseButtonDblClick:
            if (extras_.OnDblClick)
                extras_.OnDblClick(&control_);
            return false;
        case QEvent::KeyPress:
            return KeyDown(static_cast<QKeyEvent&>(event));
        case QEvent::KeyRelease:
            return Key(extras_.OnKeyUp, static_cast<QKeyEvent&>(event));
        default:
            return false;
        }
    }
    bool Key(const TKeyEvent& handler, const QKeyEvent& event) {
        uint16_t key = VirtualKeyOf(event.key());
        if (!handler || key == 0)
            return false;
        handler(&control_, key, ShiftOf(event.modifiers()));
        return key == 0;
    }
    bool KeyDown(const QKeyEvent& event) {
        if (Key(extras_.OnKeyDown, event))
            return true;
        const QByteArray typed = event.text().toLatin1();
        if (!extras_.OnKeyPress || event.text().size() != 1 || typed.size() != 1)
            return false;
        char character = typed[0];
        extras_.OnKeyPress(&control_, character);
        return character == 0;
    }

    TWinControl& control_;
    TControlExtras& extras_;
};
} // namespace

void FeedControlExtras(TWinControl& control, TControlExtras& extras) {
    if (QWidget* widget = WidgetOf(&control))
        widget->installEventFilter(new ExtrasFeed(widget, control, extras));
}

void StopControlExtras(TWinControl& control) {
    QWidget* widget = WidgetOf(&control);
    if (!widget)
        return;
    const QObjectList children = widget->children(); // a copy: deleting changes the list
    for (QObject* child : children)
        delete dynamic_cast<ExtrasFeed*>(child); // not qobject_cast: the feed has no meta-object
}
