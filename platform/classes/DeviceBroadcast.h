#pragma once
// The device-change broadcast, as top-level windows receive it: WM_DEVICECHANGE with
// DBT_DEVICEARRIVAL or DBT_DEVICEREMOVECOMPLETE and a port record (DEV_BROADCAST_PORT_A)
// naming the port, handed to every receiver on the main thread. What watches the machine's
// devices is installed by the device platform; it runs while there are receivers.
#include <functional>

#include "platform/classes/WindowProc.h"
#include "platform/rtl/SysUtils.h"

// Main thread. The first receiver starts the watch, the last one leaving stops it.
void AddDeviceChangeReceiver(TWndMethod Receiver);
void RemoveDeviceChangeReceiver(TWndMethod Receiver);

// Main thread: hands the message for Event and the port to every receiver, in the order
// they came, the record alive for the calls. A receiver removed meanwhile gets nothing.
void BroadcastPortChange(WPARAM Event, const AnsiString& PortName);

// Started with true when the first receiver comes, stopped with false when the last goes;
// the watch posts to the main loop what it sees. Null: nothing is watched.
using TDeviceWatch = std::function<void(bool Watch)>;
void SetDeviceWatch(TDeviceWatch Watch);
