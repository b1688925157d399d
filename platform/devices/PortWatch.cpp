// The watch behind the device-change broadcast: arrivals and removals of serial devices,
// seen by the udev monitor, become broadcasts naming the port on the main thread.
#include "platform/devices/DevicesPlatform.h"

#include <map>
#include <memory>

#include "platform/classes/DeviceBroadcast.h"
#include "platform/classes/MessageLoop.h"
#include "platform/devices/DeviceNodes.h"
#include "platform/devices/PortMonitor.h"
#include "platform/rtl/FileUtils.h"
#include "platform/win32/Dbt.h"

namespace {
// Main thread only. Leaked: the monitor is stopped by the last window, never at exit.
std::unique_ptr<PortMonitor>& Monitor() {
    static auto* monitor = new std::unique_ptr<PortMonitor>;
    return *monitor;
}
// Each device's port name while it is present: a removed device is no longer in the map.
std::map<AnsiString, AnsiString>& Names() {
    static auto* names = new std::map<AnsiString, AnsiString>;
    return *names;
}

void RememberNames() {
    Names().clear();
    for (const auto& [device, port] : ReadPortMap())
        Names()[device] = port;
}

// A device the port map does not name (one named by a link in VOKA_PORTS) is announced by
// its node's name: the receivers rebuild their lists for any port record.
void PortChanged(bool arrived, const AnsiString& node) {
    if (arrived)
        RememberNames();
    auto known = Names().find(node);
    const AnsiString port = known != Names().end() ? known->second : ExtractFileName(node);
    if (!arrived && known != Names().end())
        Names().erase(known);
    BroadcastPortChange(arrived ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE, port);
}

void WatchPorts(bool watch) {
    Monitor().reset();
    if (!watch)
        return;
    RememberNames();
    Monitor() = std::make_unique<PortMonitor>([](bool arrived, const AnsiString& node) {
        TMessageLoop::Main().Post([arrived, node] { PortChanged(arrived, node); });
    });
}
} // namespace

void InstallPortWatch() {
    SetDeviceWatch(&WatchPorts);
}
