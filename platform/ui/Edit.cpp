#include <QKeyEvent>
#include <QLineEdit>

#include "platform/ui/StdCtrls.h"
#include "platform/ui/WidgetBridge.h"

namespace {
// Typed characters reach the edit as WM_CHAR through its window procedure; editing
// shortcuts and characters beyond one byte stay with the widget.
class EditWidget : public QLineEdit {
public:
    explicit EditWidget(TCustomEdit* edit) : edit_(edit) {}

protected:
    void keyPressEvent(QKeyEvent* event) override {
        QByteArray typed = event->text().toLatin1();
        bool shortcut = event->matches(QKeySequence::Copy) || event->matches(QKeySequence::Cut) ||
                        event->matches(QKeySequence::Paste) ||
                        event->matches(QKeySequence::SelectAll) ||
                        event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo);
        if (shortcut || event->text().size() != 1 || typed.size() != 1 ||
            event->text() != QString::fromLatin1(typed)) {
            QLineEdit::keyPressEvent(event);
            return;
        }
        edit_->Perform(WM_CHAR, static_cast<uint8_t>(typed[0]), 1);
        event->accept();
    }

private:
    TCustomEdit* edit_;
};
} // namespace

VOKA_PUBLISH(TCustomEdit, p) {
    p.String("Text", &TCustomEdit::GetText, &TCustomEdit::SetText);
    p.Bool("ReadOnly", &TCustomEdit::GetReadOnly, &TCustomEdit::SetReadOnly).Default(false);
    p.Integer("MaxLength", &TCustomEdit::GetMaxLength, &TCustomEdit::SetMaxLength).Default(0);
    p.Event("OnChange", &TCustomEdit::GetOnChange, &TCustomEdit::SetOnChange);
    p.Event("OnKeyPress", &TCustomEdit::GetOnKeyPress, &TCustomEdit::SetOnKeyPress);
}

VOKA_PUBLISH(TEdit, p) {}

TCustomEdit::TCustomEdit(TComponent* AOwner)
    : TWinControl(AOwner), windowProc_(TWndMethod::Bind<&TCustomEdit::WndProc>(this)) {
    auto* edit = new EditWidget(this);
    QObject::connect(edit, &QLineEdit::textChanged, edit,
                     [this](const QString&) { RunGuarded(this, [this] { Change(); }); });
    SetColor(clWindow);
    Impl().Widget = edit;
    SetBounds(0, 0, 121, 21);
    WidgetAttached();
    SetTabStop(true);
}

AnsiString TCustomEdit::GetText() const {
    auto* edit = WidgetAs<QLineEdit>(this);
    return edit ? FromQString(edit->text()) : AnsiString();
}

void TCustomEdit::SetText(const AnsiString& value) {
    if (auto* edit = WidgetAs<QLineEdit>(this))
        edit->setText(ToQString(value));
}

void TCustomEdit::SetReadOnly(bool value) {
    readOnly_ = value;
    if (auto* edit = WidgetAs<QLineEdit>(this))
        edit->setReadOnly(value);
}

void TCustomEdit::SetMaxLength(int value) {
    maxLength_ = value < 0 ? 0 : value;
    // 0 means no limit.
    if (auto* edit = WidgetAs<QLineEdit>(this))
        edit->setMaxLength(maxLength_ == 0 ? 32767 : maxLength_);
}

int TCustomEdit::GetSelStart() const {
    auto* edit = WidgetAs<QLineEdit>(this);
    if (!edit)
        return 0;
    return edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
}

void TCustomEdit::SetSelStart(int value) {
    if (auto* edit = WidgetAs<QLineEdit>(this))
        edit->setCursorPosition(value);
}

int TCustomEdit::GetSelLength() const {
    auto* edit = WidgetAs<QLineEdit>(this);
    return edit ? static_cast<int>(edit->selectedText().size()) : 0;
}

void TCustomEdit::SetSelLength(int value) {
    if (auto* edit = WidgetAs<QLineEdit>(this))
        edit->setSelection(GetSelStart(), value);
}

AnsiString TCustomEdit::GetSelText() const {
    auto* edit = WidgetAs<QLineEdit>(this);
    return edit ? FromQString(edit->selectedText()) : AnsiString();
}

void TCustomEdit::SetSelText(const AnsiString& value) {
    auto* edit = WidgetAs<QLineEdit>(this);
    if (!edit)
        return;
    // Inserted even into a read-only edit: the program writes, the user may not.
    bool readOnly = edit->isReadOnly();
    edit->setReadOnly(false);
    edit->insert(ToQString(value));
    edit->setReadOnly(readOnly);
}

void TCustomEdit::SelectAll() {
    if (auto* edit = WidgetAs<QLineEdit>(this))
        edit->selectAll();
}

void TCustomEdit::Change() {
    if (onChange_)
        onChange_(this);
}

char TCustomEdit::KeyPress(char key) {
    if (onKeyPress_)
        onKeyPress_(this, key);
    return key;
}

void TCustomEdit::SetWindowProc(TWndMethod proc) {
    windowProc_ = proc ? proc : TWndMethod::Bind<&TCustomEdit::WndProc>(this);
}

LRESULT TCustomEdit::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
    TMessage message{Msg, WParam, LParam, 0};
    windowProc_(message);
    return message.Result;
}

void TCustomEdit::WndProc(TMessage& Message) {
    auto* edit = WidgetAs<QLineEdit>(this);
    if (!edit)
        return;
    if (Message.Msg == EM_REPLACESEL) {
        // Bytes from a port: each byte one character.
        if (const auto* text = reinterpret_cast<const char*>(Message.LParam)) {
            bool readOnly = edit->isReadOnly();
            edit->setReadOnly(false);
            edit->insert(QString::fromLatin1(text));
            edit->setReadOnly(readOnly);
        }
        return;
    }
    if (Message.Msg != WM_CHAR)
        return;
    char key = KeyPress(static_cast<char>(Message.WParam & 0xFF));
    auto code = static_cast<unsigned char>(key);
    if (code == 8) {
        if (!edit->isReadOnly())
            edit->backspace();
    } else if (code >= 0x20 && code != 0x7F) {
        if (!edit->isReadOnly())
            edit->insert(QString(QChar::fromLatin1(key)));
    }
}
