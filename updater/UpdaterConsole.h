#pragma once
// The updater's dialogue with the technician.
#include <string_view>

class UpdaterConsole {
public:
    virtual ~UpdaterConsole() = default;
    virtual void Write(std::string_view text) = 0;
    // "Press any key": one key (or one byte of piped input); returns at end of input too.
    virtual void WaitForKey() = 0;
    // The answer to a question: one key on a terminal, else the first character of a line.
    // -1 at end of input.
    virtual int ReadAnswer() = 0;
};

// Standard output and input; a terminal is read in raw mode, one key without Enter.
class TerminalConsole : public UpdaterConsole {
public:
    void Write(std::string_view text) override;
    void WaitForKey() override;
    int ReadAnswer() override;
};
