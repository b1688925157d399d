// The configuration manager over the platform's device nodes: node handles, the tree, device
// identifier lists and ejection.
#include <algorithm>
#include <cstring>

#include "platform/devices/DeviceInfoSet.h"

namespace {
constexpr CONFIGRET CR_INVALID_DEVICE_ID = 0x1E;
constexpr const char* REMOVE_ATTRIBUTE = "remove";

// Checks the arguments every node function takes, reads the tree and runs use on the node.
template <class Use> CONFIGRET OnNode(DEVINST devInst, bool pointerGiven, ULONG flags, Use use) {
    if (!pointerGiven)
        return CR_INVALID_POINTER;
    if (flags)
        return CR_INVALID_FLAG;
    const DeviceNodeTree tree = ReadDeviceNodes(true);
    const int index = tree.IndexOf(devInst);
    if (index < 0)
        return CR_INVALID_DEVNODE;
    return use(tree, index);
}

CONFIGRET Related(DEVINST* related, DEVINST devInst, ULONG flags,
                  int (*pick)(const DeviceNodeTree&, int)) {
    return OnNode(devInst, related != nullptr, flags, [&](const DeviceNodeTree& tree, int index) {
        const int other = pick(tree, index);
        if (other < 0)
            return CR_NO_SUCH_DEVNODE;
        *related = tree.nodes[size_t(other)].devInst;
        return CR_SUCCESS;
    });
}

// The identifiers the filter selects, each followed by a NUL, and the final NUL.
CONFIGRET IdList(LPCSTR filter, ULONG flags, std::string& list) {
    if (flags != CM_GETIDLIST_FILTER_NONE && flags != CM_GETIDLIST_FILTER_BUSRELATIONS)
        return CR_INVALID_FLAG;
    const DeviceNodeTree tree = ReadDeviceNodes(true);
    std::vector<int> selected;
    if (flags == CM_GETIDLIST_FILTER_BUSRELATIONS) {
        const int index = filter ? tree.IndexOf(AnsiString(filter)) : -1;
        if (index < 0)
            return CR_INVALID_DEVICE_ID;
        selected = tree.nodes[size_t(index)].children;
    } else {
        for (size_t i = 1; i < tree.nodes.size(); ++i)
            selected.push_back(int(i));
    }
    for (int index : selected)
        list += tree.nodes[size_t(index)].instanceId + '\0';
    list += '\0';
    return CR_SUCCESS;
}
} // namespace

CONFIGRET CM_Locate_DevNodeA(DEVINST* DevInst, LPCSTR DeviceId, ULONG Flags) {
    if (!DevInst)
        return CR_INVALID_POINTER;
    if (Flags & ~0x7u)
        return CR_INVALID_FLAG;
    const DeviceNodeTree tree = ReadDeviceNodes(true);
    const int index = DeviceId && *DeviceId ? tree.IndexOf(AnsiString(DeviceId)) : 0;
    if (index < 0)
        return CR_NO_SUCH_DEVNODE;
    *DevInst = tree.nodes[size_t(index)].devInst;
    return CR_SUCCESS;
}

CONFIGRET CM_Get_DevNode_Registry_PropertyA(DEVINST DevInst, ULONG Property, ULONG* RegDataType,
                                            void* Buffer, ULONG* Length, ULONG Flags) {
    return OnNode(DevInst, Length != nullptr, Flags, [&](const DeviceNodeTree& tree, int index) {
        DWORD type = 0;
        std::string data;
        if (Property == 0 || !NodeProperty(tree.nodes[size_t(index)], Property - 1, type, data))
            return CR_NO_SUCH_VALUE;
        if (RegDataType)
            *RegDataType = type;
        const ULONG size = *Length;
        return CopyToBuffer(data, static_cast<BYTE*>(Buffer), size, Length) ? CR_SUCCESS
                                                                            : CR_BUFFER_SMALL;
    });
}

CONFIGRET CM_Get_Child(DEVINST* Child, DEVINST DevInst, ULONG Flags) {
    return Related(Child, DevInst, Flags, [](const DeviceNodeTree& tree, int index) {
        const auto& children = tree.nodes[size_t(index)].children;
        return children.empty() ? -1 : children.front();
    });
}

CONFIGRET CM_Get_Sibling(DEVINST* Sibling, DEVINST DevInst, ULONG Flags) {
    return Related(Sibling, DevInst, Flags, [](const DeviceNodeTree& tree, int index) {
        const int parent = tree.nodes[size_t(index)].parent;
        if (parent < 0)
            return -1;
        const auto& children = tree.nodes[size_t(parent)].children;
        auto at = std::find(children.begin(), children.end(), index);
        return at == children.end() || at + 1 == children.end() ? -1 : *(at + 1);
    });
}

CONFIGRET CM_Get_Parent(DEVINST* Parent, DEVINST DevInst, ULONG Flags) {
    return Related(Parent, DevInst, Flags, [](const DeviceNodeTree& tree, int index) {
        return tree.nodes[size_t(index)].parent;
    });
}

CONFIGRET CM_Get_Device_ID_List_SizeA(ULONG* Length, LPCSTR Filter, ULONG Flags) {
    if (!Length)
        return CR_INVALID_POINTER;
    std::string list;
    const CONFIGRET result = IdList(Filter, Flags, list);
    if (result == CR_SUCCESS)
        *Length = static_cast<ULONG>(list.size());
    return result;
}

CONFIGRET CM_Get_Device_ID_ListA(LPCSTR Filter, LPSTR Buffer, ULONG BufferLength, ULONG Flags) {
    if (!Buffer || BufferLength == 0)
        return CR_INVALID_POINTER;
    std::string list;
    const CONFIGRET result = IdList(Filter, Flags, list);
    if (result != CR_SUCCESS)
        return result;
    if (list.size() > BufferLength)
        return CR_BUFFER_SMALL;
    std::memcpy(Buffer, list.data(), list.size());
    return CR_SUCCESS;
}

// A USB device is logically unplugged through its port's "remove" attribute, which the
// kernel offers where the hub allows it and only to privileged users; anything else is
// vetoed with the instance identifier of the device that cannot go.
CONFIGRET CM_Request_Device_EjectA(DEVINST DevInst, PNP_VETO_TYPE* VetoType, LPSTR VetoName,
                                   ULONG NameLength, ULONG Flags) {
    return OnNode(DevInst, true, Flags, [&](const DeviceNodeTree& tree, int index) {
        const DeviceNode& node = tree.nodes[size_t(index)];
        PNP_VETO_TYPE veto = PNP_VetoIllegalDeviceRequest;
        if (node.usbDevice >= 0) {
            DWORD error = 0;
            if (WriteUdevAttribute(tree.udev.devices[size_t(node.usbDevice)], REMOVE_ATTRIBUTE, "1",
                                   error))
                return CR_SUCCESS;
            veto = error == ERROR_ACCESS_DENIED ? PNP_VetoInsufficientRights : PNP_VetoDevice;
        } else if (index == 0) {
            veto = PNP_VetoNonDisableable;
        }
        if (VetoType)
            *VetoType = veto;
        if (VetoName && NameLength > 0) {
            const size_t count = std::min<size_t>(node.instanceId.size(), NameLength - 1);
            std::memcpy(VetoName, node.instanceId.data(), count);
            VetoName[count] = '\0';
        }
        return CR_REMOVE_VETOED;
    });
}
