#include "comm/BaseIO.h"
#include "platform/win32/Dbt.h"

namespace {
bool IsPortRecord(LPARAM Record) {
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(Record);
    return header && header->dbch_devicetype == DBT_DEVTYP_PORT;
}
} // namespace

bool TnrBaseIO::WMDeviceChange(TMessage& Message) {
    if (Message.Msg != WM_DEVICECHANGE)
        return false;
    const bool portsChanged =
        Message.WParam == DBT_DEVNODES_CHANGED ||
        ((Message.WParam == DBT_DEVICEARRIVAL || Message.WParam == DBT_DEVICEREMOVECOMPLETE) &&
         IsPortRecord(Message.LParam));
    if (portsChanged)
        Update();
    return portsChanged;
}
