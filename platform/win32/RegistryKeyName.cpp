// The kernel's name of an open key, as ZwQueryKey(KeyNameInformation) reports it.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <unistd.h>

#include "platform/win32/RegistryKeys.h"

namespace {
// UTF-8 to UTF-16; a byte that is not part of valid UTF-8 stands for itself (Latin-1).
std::u16string Widen(const AnsiString& text) {
    std::u16string wide;
    for (size_t i = 0; i < text.size();) {
        auto byte = static_cast<unsigned char>(text[i]);
        int length = byte < 0x80         ? 1
                     : (byte >> 5) == 6  ? 2
                     : (byte >> 4) == 14 ? 3
                     : (byte >> 3) == 30 ? 4
                                         : 0;
        uint32_t code = length == 1   ? byte
                        : length == 2 ? byte & 0x1F
                        : length == 3 ? byte & 0x0F
                                      : byte & 0x07;
        bool valid = length > 0 && i + static_cast<size_t>(length) <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            auto next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
            valid = (next & 0xC0) == 0x80;
            code = code << 6 | (next & 0x3F);
        }
        if (!valid) {
            wide += static_cast<char16_t>(byte);
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            wide += static_cast<char16_t>(0xD800 + (code >> 10));
            wide += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            wide += static_cast<char16_t>(code);
        }
        i += static_cast<size_t>(length);
    }
    return wide;
}

// The path with its letter case as stored; the live keys use their fixed names.
bool StoredName(const KeyRef& ref, AnsiString& name) {
    if (ref.path.empty()) {
        name.clear();
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
    std::u16string wide = Widen(name);

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
