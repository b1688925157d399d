#pragma once
// Linux's device database (sysfs and the udev properties) as plain records: the devices of
// some subsystems with all their ancestors, each with what the platform reads of it. One
// reading is a snapshot; nothing here is kept between readings.
#include <map>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "platform/win32/WinTypes.h"

struct UdevDevice {
    AnsiString sysPath;            // "/sys/devices/pci0000:00/.../ttyUSB0/tty/ttyUSB0"
    AnsiString sysName;            // "ttyUSB0", "1-2", "1-2:1.0", "00:00"
    AnsiString subsystem;          // "tty", "usb", "usb-serial", "pnp", "pci", "platform", ...
    AnsiString devType;            // "usb_device", "usb_interface", ...
    AnsiString driver;             // "ftdi_sio", "cdc_acm", "serial", ...
    AnsiString devNode;            // "/dev/ttyUSB0"
    std::vector<AnsiString> links; // "/dev/serial/by-id/...", in the database's order
    std::map<AnsiString, AnsiString> properties;
    std::map<AnsiString, AnsiString> attributes; // the sysfs attributes in READ_ATTRIBUTES
    int parent = -1;                             // index in the reading, -1 for none

    AnsiString Property(const AnsiString& name) const;
    AnsiString Attribute(const AnsiString& name) const; // trimmed
};

// The sysfs attributes a reading takes of every device.
extern const char* const READ_ATTRIBUTES[];

struct UdevReading {
    std::vector<UdevDevice> devices; // ordered by sysfs path, so parents come first

    // The serial ports: tty devices with a real device behind them, leaving out the serial
    // core's placeholders for absent UARTs (attribute type 0) and virtual terminals.
    std::vector<int> SerialPorts() const;
    // The nearest ancestor (or the device itself, with self) for which match holds; -1 if none.
    template <class Match> int Nearest(int index, bool self, Match match) const {
        for (int i = self ? index : devices[size_t(index)].parent; i >= 0;
             i = devices[size_t(i)].parent)
            if (match(devices[size_t(i)]))
                return i;
        return -1;
    }
    int IndexOf(const AnsiString& sysPath) const;
};

// The devices of the subsystems and all their ancestors.
UdevReading ReadUdevDevices(const std::vector<AnsiString>& subsystems);

// Writes text to the device's sysfs attribute; false with errno's Windows code otherwise.
bool WriteUdevAttribute(const UdevDevice& device, const AnsiString& name, const AnsiString& text,
                        DWORD& error);
