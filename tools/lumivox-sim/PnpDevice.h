#pragma once
// A serial device's plug-and-play identification: each time DTR and RTS are both raised
// after one of them was low, the device sends "(" + its identification + ")".
#include <string>

class PnpDevice {
public:
    explicit PnpDevice(std::string identification) : identification_(std::move(identification)) {}

    // The host's modem outputs changed; returns what the device sends in answer.
    std::string LinesChanged(bool dtr, bool rts);

private:
    std::string identification_;
    bool raised_ = false;
};
