#pragma once
// The Windows view of Linux's devices: device nodes with instance identifiers, in a tree under
// the root node, and for each serial port the details the Ports setup class shows.
//
//   USB device            USB\VID_0403&PID_6001\A50285BI (the serial number, or an identifier
//                         made from the device's place when it has none)
//   interface of a USB device with several interfaces
//                         USB\VID_1546&PID_01A7&MI_00\6&1B2C3D4E&0&0000
//   PNP (ACPI) device     ACPI\PNP0501\0
//   PCI device            PCI\VEN_8086&DEV_A368\3&11583659&0&A0
//   platform device       ROOT\SERIAL8250\0000
//   a port that shares its device with other ports, or has none of the above
//                         ROOT\PORTS\TTYS1
#include <vector>

#include "platform/devices/UdevDevices.h"
#include "platform/win32/SetupApi.h"

struct PortDetails {
    AnsiString description;   // SPDRP_DEVICEDESC
    AnsiString manufacturer;  // SPDRP_MFG
    AnsiString service;       // SPDRP_SERVICE: the kernel driver
    AnsiString driverKey;     // SPDRP_DRIVER: {4D36E978-...}\0002
    AnsiString portName;      // "COM3" from the port map, empty when the map does not list it
    AnsiString symbolicName;  // by-id link, else by-path link, else the device node
    AnsiString interfacePath; // the device node, "/dev/ttyUSB0"
    std::vector<AnsiString> hardwareIds;
};

struct DeviceNode {
    AnsiString instanceId;
    DEVINST devInst = 0;
    int parent = -1; // node index; -1 for the root
    std::vector<int> children;
    int device = -1;         // the udev device the node stands for; -1 for the root
    int usbDevice = -1;      // the USB device that goes when the node is ejected, -1 for none
    AnsiString physicalName; // SPDRP_PHYSICAL_DEVICE_OBJECT_NAME: the sysfs path
    bool isPort = false;
    PortDetails port;
};

struct DeviceNodeTree {
    UdevReading udev;
    std::vector<DeviceNode> nodes; // the root first, then parents before their children

    int IndexOf(const AnsiString& instanceId) const; // letter case ignored; -1 when absent
    int IndexOf(DEVINST devInst) const;
    std::vector<int> Ports() const;
};

extern const char* const ROOT_INSTANCE_ID; // "HTREE\ROOT\0"

// The present devices. Without the whole tree only the serial ports and their ancestors are
// read, which is all the setup classes need.
DeviceNodeTree ReadDeviceNodes(bool wholeTree);

// The port map as the registry gives it: (device path, port name in upper case).
std::vector<std::pair<AnsiString, AnsiString>> ReadPortMap();

// "{4D36E978-E325-11CE-BFC1-08002BE10318}"
AnsiString GuidText(const GUID& guid);
