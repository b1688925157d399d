#include "platform/devices/DeviceNodes.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "platform/win32/DevGuid.h"

const char* const ROOT_INSTANCE_ID = "HTREE\\ROOT\\0";

namespace {
constexpr const char* STANDARD_PORT_DESCRIPTION = "Communications Port";
constexpr const char* STANDARD_PORT_MANUFACTURER = "(Standard port types)";
// Ports the port map does not name get driver keys from this number on.
constexpr int UNNAMED_DRIVER_KEY_BASE = 1000;

// Device node handles: one number per instance identifier for the life of the process.
DEVINST DevInstOf(const AnsiString& instanceId) {
    static std::mutex lock;
    static auto* numbers = new std::map<AnsiString, DEVINST>;
    std::lock_guard guard(lock);
    auto [entry, added] = numbers->try_emplace(UpperCase(instanceId), 0);
    if (added)
        entry->second = static_cast<DEVINST>(numbers->size());
    return entry->second;
}

uint32_t Fnv1a(const AnsiString& text) {
    uint32_t hash = 2166136261u;
    for (unsigned char c : text)
        hash = (hash ^ c) * 16777619u;
    return hash;
}

AnsiString Hex(const AnsiString& attribute) {
    AnsiString text = attribute;
    if (text.rfind("0x", 0) == 0)
        text.erase(0, 2);
    return UpperCase(text);
}

// The number after the last '.' or '-' of a USB device name ("1-1.4" gives 4).
AnsiString UsbPortNumber(const AnsiString& sysName) {
    const size_t at = sysName.find_last_of(".-");
    return at == AnsiString::npos ? sysName : sysName.substr(at + 1);
}

// A serial number that can stand in an instance identifier.
bool UsableSerial(const AnsiString& serial) {
    return !serial.empty() && serial.size() <= 128 &&
           std::all_of(serial.begin(), serial.end(), [](char c) {
               return c > ' ' && c < 0x7F && c != ',' && c != '\\' && c != '&';
           });
}

bool IsUsbDevice(const UdevDevice& device) {
    return device.subsystem == "usb" && device.devType == "usb_device";
}

class TreeBuilder {
public:
    explicit TreeBuilder(DeviceNodeTree& tree) : tree_(tree), udev_(tree.udev) {}

    void Build(const std::vector<std::pair<AnsiString, AnsiString>>& portMap) {
        AddNode(ROOT_INSTANCE_ID, -1, -1);
        nodeOfDevice_.assign(udev_.devices.size(), -1);
        for (size_t i = 0; i < udev_.devices.size(); ++i)
            if (IsNodeDevice(int(i))) {
                const int parent = NodeOfAncestor(int(i));
                nodeOfDevice_[i] = AddNode(InstanceId(int(i)), parent, int(i));
            }
        const std::vector<int> ports = udev_.SerialPorts();
        std::map<int, int> portsOfNode;
        for (int port : ports)
            ++portsOfNode[NearestNodeDevice(port)];
        int unnamed = UNNAMED_DRIVER_KEY_BASE;
        for (int port : ports) {
            const int ancestor = NearestNodeDevice(port);
            int node = ancestor >= 0 ? nodeOfDevice_[size_t(ancestor)] : -1;
            const bool ownNode = ancestor < 0 || portsOfNode[ancestor] > 1 ||
                                 udev_.devices[size_t(ancestor)].subsystem == "platform";
            if (ownNode)
                node = AddNode("ROOT\\PORTS\\" + UpperCase(udev_.devices[size_t(port)].sysName),
                               node >= 0 ? node : 0, port);
            DescribePort(tree_.nodes[size_t(node)], port, portMap, unnamed);
        }
    }

private:
    int AddNode(const AnsiString& instanceId, int parent, int device) {
        DeviceNode node;
        node.instanceId = instanceId;
        node.devInst = DevInstOf(instanceId);
        node.parent = parent;
        node.device = device;
        if (device >= 0) {
            node.physicalName = udev_.devices[size_t(device)].sysPath;
            node.usbDevice = udev_.Nearest(device, true, IsUsbDevice);
        }
        tree_.nodes.push_back(node);
        const int index = int(tree_.nodes.size()) - 1;
        if (parent >= 0)
            tree_.nodes[size_t(parent)].children.push_back(index);
        return index;
    }

    // The nearest ancestor that has a node of its own; -1 when none has.
    int NearestNodeDevice(int device) const {
        for (int i = udev_.devices[size_t(device)].parent; i >= 0;
             i = udev_.devices[size_t(i)].parent)
            if (nodeOfDevice_[size_t(i)] >= 0)
                return i;
        return -1;
    }
    int NodeOfAncestor(int device) const {
        const int ancestor = NearestNodeDevice(device);
        return ancestor >= 0 ? nodeOfDevice_[size_t(ancestor)] : 0;
    }

    const UdevDevice* Parent(const UdevDevice& device) const {
        return device.parent >= 0 ? &udev_.devices[size_t(device.parent)] : nullptr;
    }

    bool IsNodeDevice(int index) const {
        const UdevDevice& device = udev_.devices[size_t(index)];
        if (device.subsystem == "usb") {
            if (device.devType == "usb_device")
                return true;
            const UdevDevice* parent = Parent(device);
            return device.devType == "usb_interface" && parent &&
                   StrToIntDef(parent->Attribute("bNumInterfaces"), 1) > 1;
        }
        return device.subsystem == "pnp" || device.subsystem == "pci" ||
               device.subsystem == "platform";
    }

    AnsiString UsbDeviceId(const UdevDevice& usb) const {
        return "USB\\VID_" + Hex(usb.Attribute("idVendor")) + "&PID_" +
               Hex(usb.Attribute("idProduct"));
    }

    AnsiString InstanceId(int index) const {
        const UdevDevice& device = udev_.devices[size_t(index)];
        const UdevDevice* parent = Parent(device);
        if (IsUsbDevice(device)) {
            const AnsiString serial = device.Attribute("serial");
            const AnsiString unique =
                UsableSerial(serial) ? serial
                                     : Format("5&%.8X&0&%s", Fnv1a(parent ? parent->sysPath : ""),
                                              UsbPortNumber(device.sysName).c_str());
            return UsbDeviceId(device) + "\\" + unique;
        }
        if (device.subsystem == "usb" && parent) {
            const int number = StrToIntDef("$" + device.Attribute("bInterfaceNumber"), 0);
            return UsbDeviceId(*parent) +
                   Format("&MI_%.2X\\6&%.8X&0&%.4X", number, Fnv1a(parent->sysPath), number);
        }
        if (device.subsystem == "pnp") {
            AnsiString unique = device.Attribute("firmware_node/uid");
            if (unique.empty()) {
                const size_t colon = device.sysName.find(':');
                unique = IntToStr(StrToIntDef("$" + (colon == AnsiString::npos
                                                         ? device.sysName
                                                         : device.sysName.substr(colon + 1)),
                                              0));
            }
            return "ACPI\\" + UpperCase(device.Attribute("id")) + "\\" + unique;
        }
        if (device.subsystem == "pci") {
            // "0000:00:14.0": slot 0x14, function 0.
            const size_t colon = device.sysName.rfind(':');
            const AnsiString slot = device.sysName.substr(colon + 1);
            const int dot = int(slot.find('.'));
            const int devfn = StrToIntDef("$" + slot.substr(0, size_t(dot)), 0) << 3 |
                              StrToIntDef(slot.substr(size_t(dot) + 1), 0);
            return "PCI\\VEN_" + Hex(device.Attribute("vendor")) + "&DEV_" +
                   Hex(device.Attribute("device")) +
                   Format("\\3&%.8X&0&%.2X", Fnv1a(parent ? parent->sysPath : ""), devfn);
        }
        AnsiString name = UpperCase(device.sysName);
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return "ROOT\\" + name + "\\0000";
    }

    void DescribePort(DeviceNode& node, int port,
                      const std::vector<std::pair<AnsiString, AnsiString>>& portMap, int& unnamed) {
        const UdevDevice& tty = udev_.devices[size_t(port)];
        const int usb = udev_.Nearest(port, false, IsUsbDevice);
        PortDetails& details = node.port;
        node.isPort = true;
        auto property = [&](const char* name) {
            AnsiString value = tty.Property(name);
            return value.empty() && usb >= 0 ? udev_.devices[size_t(usb)].Property(name) : value;
        };
        if (usb >= 0) {
            const UdevDevice& device = udev_.devices[size_t(usb)];
            details.description = device.Attribute("product");
            if (details.description.empty())
                details.description = property("ID_MODEL_FROM_DATABASE");
            details.manufacturer = device.Attribute("manufacturer");
            if (details.manufacturer.empty())
                details.manufacturer = property("ID_VENDOR_FROM_DATABASE");
            const AnsiString id = UsbDeviceId(device);
            const AnsiString interface =
                node.device >= 0 && udev_.devices[size_t(node.device)].devType == "usb_interface"
                    ? Format("&MI_%.2X",
                             StrToIntDef("$" + udev_.devices[size_t(node.device)].Attribute(
                                                   "bInterfaceNumber"),
                                         0))
                    : AnsiString();
            details.hardwareIds = {id + "&REV_" + Hex(device.Attribute("bcdDevice")) + interface,
                                   id + interface};
        } else {
            details.description = STANDARD_PORT_DESCRIPTION;
            details.manufacturer = STANDARD_PORT_MANUFACTURER;
            const int pnp = udev_.Nearest(port, false,
                                          [](const UdevDevice& d) { return d.subsystem == "pnp"; });
            if (pnp >= 0) {
                const AnsiString id = UpperCase(udev_.devices[size_t(pnp)].Attribute("id"));
                details.hardwareIds = {"ACPI\\" + id, "*" + id};
            }
        }
        const int driven = udev_.Nearest(port, false, [](const UdevDevice& d) {
            return !d.driver.empty() && d.subsystem != "serial-base" && !IsUsbDevice(d);
        });
        details.service =
            driven >= 0 ? udev_.devices[size_t(driven)].driver : property("ID_USB_DRIVER");
        // The 8250 driver registers on the PNP and PCI buses under the name "serial".
        if (tty.attributes.count("type") && details.service == "serial")
            details.service = "serial8250";
        details.interfacePath = tty.devNode;
        details.symbolicName = tty.devNode;
        for (const char* folder : {"/dev/serial/by-path/", "/dev/serial/by-id/"})
            for (const AnsiString& link : tty.links)
                if (link.rfind(folder, 0) == 0) {
                    details.symbolicName = link;
                    break;
                }
        for (const auto& [device, portName] : portMap)
            if (device == tty.devNode ||
                std::find(tty.links.begin(), tty.links.end(), device) != tty.links.end()) {
                details.portName = portName;
                break;
            }
        const int number =
            details.portName.size() > 3 ? StrToIntDef(details.portName.substr(3), 0) : 0;
        details.driverKey =
            GuidText(GUID_DEVCLASS_PORTS) + Format("\\%.4d", number > 0 ? number - 1 : unnamed++);
    }

    DeviceNodeTree& tree_;
    const UdevReading& udev_;
    std::vector<int> nodeOfDevice_;
};

} // namespace

std::vector<std::pair<AnsiString, AnsiString>> ReadPortMap() {
    std::vector<std::pair<AnsiString, AnsiString>> ports;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS)
        return ports;
    for (DWORD index = 0;; ++index) {
        char name[1024] = {};
        char data[256] = {};
        DWORD nameSize = sizeof name;
        DWORD dataSize = sizeof data - 1;
        if (RegEnumValueA(key, index, name, &nameSize, nullptr, nullptr,
                          reinterpret_cast<BYTE*>(data), &dataSize) != ERROR_SUCCESS)
            break;
        ports.emplace_back(AnsiString(name, nameSize), UpperCase(AnsiString(data)));
    }
    RegCloseKey(key);
    return ports;
}

AnsiString GuidText(const GUID& guid) {
    return Format("{%.8X-%.4X-%.4X-%.2X%.2X-%.2X%.2X%.2X%.2X%.2X%.2X}", guid.Data1, guid.Data2,
                  guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3],
                  guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
}

int DeviceNodeTree::IndexOf(const AnsiString& instanceId) const {
    for (size_t i = 0; i < nodes.size(); ++i)
        if (SameText(nodes[i].instanceId, instanceId))
            return int(i);
    return -1;
}

int DeviceNodeTree::IndexOf(DEVINST devInst) const {
    for (size_t i = 0; i < nodes.size(); ++i)
        if (nodes[i].devInst == devInst)
            return int(i);
    return -1;
}

std::vector<int> DeviceNodeTree::Ports() const {
    std::vector<int> ports;
    for (size_t i = 0; i < nodes.size(); ++i)
        if (nodes[i].isPort)
            ports.push_back(int(i));
    return ports;
}

DeviceNodeTree ReadDeviceNodes(bool wholeTree) {
    DeviceNodeTree tree;
    tree.udev = wholeTree ? ReadUdevDevices({"tty", "usb", "pci", "pnp", "platform"})
                          : ReadUdevDevices({"tty"});
    TreeBuilder(tree).Build(ReadPortMap());
    return tree;
}
