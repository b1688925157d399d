#pragma once
// A device information set: the members of a setup class (or interface class) as they were
// when the set was taken, behind a handle of the platform's handle table.
#include <vector>

#include "platform/devices/DeviceNodes.h"
#include "platform/win32/Handles.h"

class DeviceInfoSet : public KernelObject {
public:
    GUID classGuid;
    bool interfaces = false; // members of an interface class, each with one interface
    std::vector<DeviceNode> members;

    // The member an SP_DEVINFO_DATA names; null with the last error set otherwise.
    const DeviceNode* Member(const SP_DEVINFO_DATA* info) const;
};

// The set behind the handle, or null with the last error set.
std::shared_ptr<DeviceInfoSet> LookupDeviceInfoSet(HDEVINFO set);

// Where the setup classes' members come from: the ports of the COM port interface class and
// of the Ports setup class; no other class has members on Linux.
bool HasPortMembers(const GUID& guid, bool interfaceClass);

// A property of a device node as the registry would hold it: REG_SZ text or REG_MULTI_SZ
// list; false when the node has no such property.
bool NodeProperty(const DeviceNode& node, DWORD property, DWORD& type, std::string& data);

// Copies data into a caller's buffer: false with ERROR_INSUFFICIENT_BUFFER when it does not fit.
bool CopyToBuffer(const std::string& data, BYTE* buffer, DWORD size, DWORD* required);
