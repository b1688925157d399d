#include "platform/ui/MessageBoxCapture.h"

TMessageBoxCapture::TMessageBoxCapture() : previous_(SetUserServices(this)) {}

TMessageBoxCapture::~TMessageBoxCapture() {
    SetUserServices(previous_);
}

void TMessageBoxCapture::Answer(int id) {
    std::lock_guard guard(lock_);
    answers_.push_back(id);
}

std::vector<TCapturedMessageBox> TMessageBoxCapture::Boxes() const {
    std::lock_guard guard(lock_);
    return boxes_;
}

std::vector<UINT> TMessageBoxCapture::Beeps() const {
    std::lock_guard guard(lock_);
    return beeps_;
}

int TMessageBoxCapture::MessageBox(HWND owner, const AnsiString& text, const AnsiString& caption,
                                   UINT flags) {
    std::lock_guard guard(lock_);
    boxes_.push_back(TCapturedMessageBox{owner, text, caption, flags});
    if (answers_.empty())
        return DefaultMessageBoxAnswer(flags);
    int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

BOOL TMessageBoxCapture::MessageBeep(UINT type) {
    std::lock_guard guard(lock_);
    beeps_.push_back(type);
    return TRUE;
}
