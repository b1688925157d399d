#include "tools/lumivox-sim/PnpDevice.h"

std::string PnpDevice::LinesChanged(bool dtr, bool rts) {
    const bool raised = dtr && rts;
    const bool rising = raised && !raised_;
    raised_ = raised;
    return rising ? "(" + identification_ + ")" : std::string();
}
