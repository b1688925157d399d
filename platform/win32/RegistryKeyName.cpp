// The kernel's name of an open key, as ZwQueryKey(KeyNameInformation) reports it.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <unistd.h>

#include "platform/win32/CodePage.h"
#include "platform/win32/RegistryKeys.h"

namespace {
// The path with its letter case as stored; the live keys use their fixed names.
bool StoredName(const KeyRef& ref, AnsiString& name) {
    if (ref.path.empty()) {
        name.clear();
        return true;
    }
    if (ref.object && ref.object->deviceValues) {
        name = ref.object->livePath;
        return true;
    }
    bool found = false;
    ReadHive(ref.hive, [&](const RegistryHive& data) {
        name = data.StoredPath(ref.path);
        found = !name.empty();
    });
    if (found)
        return true;
    if (IsLivePortMap(ref.hive, ref.path) || IsAboveLivePortMap(ref.hive, ref.path)) {
        name = AnsiString(SERIAL_COMM_PATH).substr(0, ref.path.size());
        return true;
    }
    if (IsAboveLiveDeviceTree(ref.hive, ref.path)) {
        name = AnsiString(DEVICE_ENUM_PATH).substr(0, ref.path.size());
        return true;
    }
    return false;
}
} // namespace

AnsiString CurrentUserSid() {
    return "S-1-5-21-0-0-0-" + std::to_string(::getuid());
}

NTSTATUS ZwQueryKey(HANDLE key, KEY_INFORMATION_CLASS informationClass, void* information,
                    ULONG length, ULONG* resultLength) {
    if (informationClass != KeyNameInformation)
        return STATUS_INVALID_INFO_CLASS; // only the name is asked for
    KeyRef ref;
    if (ResolveKey(key, ref) != ERROR_SUCCESS)
        return STATUS_INVALID_HANDLE;
    AnsiString path;
    if (!StoredName(ref, path))
        return STATUS_KEY_DELETED;
    AnsiString name = ref.hive == HiveId::Machine ? "\\REGISTRY\\MACHINE"
                                                  : "\\REGISTRY\\USER\\" + CurrentUserSid();
    if (!path.empty())
        name += '\\' + path;
    std::u16string wide(static_cast<size_t>(MultiByteToWideChar(
                            CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0)),
                        u'\0');
    if (!wide.empty())
        MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide.data(),
                            static_cast<int>(wide.size()));

    const ULONG header = offsetof(KEY_NAME_INFORMATION, Name);
    auto nameBytes = static_cast<ULONG>(wide.size() * sizeof(char16_t));
    if (resultLength)
        *resultLength = header + nameBytes;
    if (!information || length < header)
        return STATUS_BUFFER_TOO_SMALL;
    auto* bytes = static_cast<unsigned char*>(information);
    std::memcpy(bytes, &nameBytes, sizeof nameBytes);
    ULONG copied = std::min(nameBytes, length - header);
    std::memcpy(bytes + header, wide.data(), copied);
    return copied == nameBytes ? STATUS_SUCCESS : STATUS_BUFFER_OVERFLOW;
}
