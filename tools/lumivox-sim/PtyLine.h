#pragma once
// The unit's end of a pseudo-terminal: the master side the simulator talks on, and the
// device path (/dev/pts/N) a host program opens as its serial port.
#include <string>

class PtyLine {
public:
    PtyLine() = default;
    ~PtyLine();
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    // Creates the pair; false with a reason on failure.
    bool Open(std::string& error);
    const std::string& DevicePath() const { return path_; }
    int Master() const { return master_; }

private:
    int master_ = -1;
    // Held open so that the line survives between host programs and keeps raw settings.
    int slave_ = -1;
    std::string path_;
};
