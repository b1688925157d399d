#include "platform/classes/DeviceBroadcast.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/win32/Dbt.h"

namespace {
// Main thread only, like the windows that receive the broadcast.
struct Receivers {
    std::vector<TWndMethod> list;
    TDeviceWatch watch;
    bool watching = false;
};
Receivers& State() {
    static auto* state = new Receivers;
    return *state;
}

void FollowReceivers() {
    Receivers& state = State();
    const bool wanted = !state.list.empty() && state.watch;
    if (wanted == state.watching)
        return;
    state.watching = wanted;
    if (state.watch)
        state.watch(wanted);
}
} // namespace

void AddDeviceChangeReceiver(TWndMethod Receiver) {
    State().list.push_back(Receiver);
    FollowReceivers();
}

void RemoveDeviceChangeReceiver(TWndMethod Receiver) {
    auto& list = State().list;
    if (auto found = std::find(list.begin(), list.end(), Receiver); found != list.end())
        list.erase(found);
    FollowReceivers();
}

void BroadcastPortChange(WPARAM Event, const AnsiString& PortName) {
    std::vector<char> storage(offsetof(DEV_BROADCAST_PORT_A, dbcp_name) + PortName.size() + 1);
    auto* record = reinterpret_cast<DEV_BROADCAST_PORT_A*>(storage.data());
    record->dbcp_size = static_cast<DWORD>(storage.size());
    record->dbcp_devicetype = DBT_DEVTYP_PORT;
    record->dbcp_reserved = 0;
    std::memcpy(record->dbcp_name, PortName.c_str(), PortName.size() + 1);
    // Each receiver may add or remove receivers (a window that closes itself).
    const std::vector<TWndMethod> receivers = State().list;
    for (const TWndMethod& receiver : receivers) {
        const auto& current = State().list;
        if (std::find(current.begin(), current.end(), receiver) == current.end())
            continue;
        TMessage message{WM_DEVICECHANGE, Event, reinterpret_cast<LPARAM>(record), 0};
        receiver(message);
    }
}

void SetDeviceWatch(TDeviceWatch Watch) {
    Receivers& state = State();
    if (state.watching && state.watch)
        state.watch(false);
    state.watching = false;
    state.watch = std::move(Watch);
    FollowReceivers();
}
