#include "tests/support/TestPlatform.h"

#include "comm/CommClasses.h"
#include "filestorage/FileStorageClasses.h"
#include "platform/devices/DevicesPlatform.h"
#include "platform/serial/SerialPlatform.h"
#include "platform/serial/virtual/VirtualPort.h"
#ifdef VOKA_TEST_WINDOW
#include "devices/DevicesClasses.h"
#include "platform/ui/UiClasses.h"
#endif

void StartTestPlatform() {
    InitSerialPlatform();
    RegisterVirtualPortDriver();
    InitDevicesPlatform();
    RegisterCommClasses();
    RegisterFileStorageClasses();
#ifdef VOKA_TEST_WINDOW
    RegisterUiClasses();
    RegisterDevicesClasses();
#endif
}
