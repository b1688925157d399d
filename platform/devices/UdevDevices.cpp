#include "platform/devices/UdevDevices.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <libudev.h>
#include <memory>
#include <sstream>
#include <unistd.h>

#include "platform/win32/WinError.h"

const char* const READ_ATTRIBUTES[] = {
    "type",    "idVendor", "idProduct",      "bcdDevice",         "manufacturer",
    "product", "serial",   "bNumInterfaces", "bInterfaceNumber",  "bInterfaceClass",
    "id",      "vendor",   "device",         "firmware_node/uid", "port_number",
    nullptr};

namespace {
struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <class T> using UdevPtr = std::unique_ptr<T, UdevDeleter>;

AnsiString Text(const char* value) {
    return value ? AnsiString(value) : AnsiString();
}

void AddLink(UdevDevice& record, const AnsiString& link) {
    if (!link.empty() &&
        std::find(record.links.begin(), record.links.end(), link) == record.links.end())
        record.links.push_back(link);
}

UdevDevice RecordOf(udev_device* device) {
    UdevDevice record;
    record.sysPath = Text(udev_device_get_syspath(device));
    record.sysName = Text(udev_device_get_sysname(device));
    record.subsystem = Text(udev_device_get_subsystem(device));
    record.devType = Text(udev_device_get_devtype(device));
    record.driver = Text(udev_device_get_driver(device));
    record.devNode = Text(udev_device_get_devnode(device));
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_device_get_properties_list_entry(device))
        record.properties[Text(udev_list_entry_get_name(entry))] =
        Text(udev_list_entry_get_value(entry));
    udev_list_entry_foreach(entry, udev_device_get_devlinks_list_entry(device))
        AddLink(record, Text(udev_list_entry_get_name(entry)));
    // Where the database keeps the links only as a property.
    std::istringstream links(record.Property("DEVLINKS"));
    for (std::string link; links >> link;)
        AddLink(record, link);
    std::sort(record.links.begin(), record.links.end());
    for (const char* const* name = READ_ATTRIBUTES; *name; ++name)
        if (const char* value = udev_device_get_sysattr_value(device, *name))
            record.attributes[*name] = value;
    return record;
}
} // namespace

AnsiString UdevDevice::Property(const AnsiString& name) const {
    auto found = properties.find(name);
    return found == properties.end() ? AnsiString() : found->second;
}

AnsiString UdevDevice::Attribute(const AnsiString& name) const {
    auto found = attributes.find(name);
    return found == attributes.end() ? AnsiString() : Trim(found->second);
}

int UdevReading::IndexOf(const AnsiString& sysPath) const {
    for (size_t i = 0; i < devices.size(); ++i)
        if (devices[i].sysPath == sysPath)
            return static_cast<int>(i);
    return -1;
}

std::vector<int> UdevReading::SerialPorts() const {
    std::vector<int> ports;
    for (size_t i = 0; i < devices.size(); ++i) {
        const UdevDevice& device = devices[i];
        if (device.subsystem != "tty" || device.parent < 0 || device.devNode.empty())
            continue;
        // The serial core lists every possible UART; those without hardware have type 0.
        if (device.attributes.count("type") && device.Attribute("type") == "0")
            continue;
        ports.push_back(static_cast<int>(i));
    }
    return ports;
}

UdevReading ReadUdevDevices(const std::vector<AnsiString>& subsystems) {
    UdevReading reading;
    UdevPtr<udev> context(udev_new());
    if (!context)
        return reading;
    UdevPtr<udev_enumerate> enumerate(udev_enumerate_new(context.get()));
    if (!enumerate)
        return reading;
    for (const AnsiString& subsystem : subsystems)
        udev_enumerate_add_match_subsystem(enumerate.get(), subsystem.c_str());
    udev_enumerate_scan_devices(enumerate.get());

    // Each found device and its ancestors, by path; a device's parent is its nearest ancestor.
    std::map<AnsiString, UdevDevice> byPath;
    std::map<AnsiString, AnsiString> parentOf;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
        UdevPtr<udev_device> device(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        // The parent belongs to its child and is not released separately.
        for (udev_device* current = device.get(); current;
             current = udev_device_get_parent(current)) {
            const AnsiString path = Text(udev_device_get_syspath(current));
            if (byPath.count(path))
                break;
            byPath[path] = RecordOf(current);
            if (udev_device* parent = udev_device_get_parent(current))
                parentOf[path] = Text(udev_device_get_syspath(parent));
        }
    }
    for (auto& [path, record] : byPath)
        reading.devices.push_back(std::move(record));
    for (auto& device : reading.devices) {
        auto parent = parentOf.find(device.sysPath);
        if (parent != parentOf.end())
            device.parent = reading.IndexOf(parent->second);
    }
    return reading;
}

bool WriteUdevAttribute(const UdevDevice& device, const AnsiString& name, const AnsiString& text,
                        DWORD& error) {
    const AnsiString path = device.sysPath + "/" + name;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        error = ErrorFromErrno(errno);
        return false;
    }
    const ssize_t written = ::write(fd, text.data(), text.size());
    const int writeErrno = errno;
    ::close(fd);
    if (written != static_cast<ssize_t>(text.size())) {
        error = ErrorFromErrno(written < 0 ? writeErrno : EIO);
        return false;
    }
    return true;
}
