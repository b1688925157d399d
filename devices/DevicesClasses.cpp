#include "devices/DevicesClasses.h"

#include "devices/rerorebox.h"
#include "platform/classes/ClassRegistry.h"

void RegisterDevicesClasses() {
    RegisterClasses<TnrDeviceBox>();
}
