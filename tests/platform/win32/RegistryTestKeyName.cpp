#include <cstring>
#include <unistd.h>

#include "platform/win32/Modules.h"
#include "tests/platform/win32/RegistryTestHome.h"

namespace {
using RegistryKeyNameTest = RegistryHome;
using QueryKey = NTSTATUS (*)(HANDLE, KEY_INFORMATION_CLASS, void*, ULONG, ULONG*);

// The name as a caller finds it: through "ntdll.dll", size first, then the text.
std::u16string KernelName(HKEY key) {
    HMODULE ntdll = LoadLibraryA("ntdll.dll");
    auto query = reinterpret_cast<QueryKey>(GetProcAddress(ntdll, "ZwQueryKey"));
    EXPECT_NE(query, nullptr);
    if (!query)
        return u"";
    ULONG needed = 0;
    EXPECT_EQ(query(key, KeyNameInformation, nullptr, 0, &needed), STATUS_BUFFER_TOO_SMALL);
    std::vector<unsigned char> block(needed + 2, 0);
    EXPECT_EQ(query(key, KeyNameInformation, block.data(), needed, &needed), STATUS_SUCCESS);
    ULONG length = 0;
    std::memcpy(&length, block.data(), 4);
    EXPECT_EQ(length + 4, needed);
    std::u16string name(length / 2, u'\0');
    std::memcpy(name.data(), block.data() + 4, length);
    FreeLibrary(ntdll);
    return name;
}

std::u16string Wide(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

TEST_F(RegistryKeyNameTest, MachineKeysNameTheirStoredPath) {
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, "SYSTEM\\ControlSet001\\Enum"));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "system\\controlset001\\enum", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(KernelName(key), u"\\REGISTRY\\MACHINE\\SYSTEM\\ControlSet001\\Enum");
    RegCloseKey(key);

    ASSERT_EQ(
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "hardware\\devicemap\\serialcomm", 0, KEY_READ, &key),
        ERROR_SUCCESS);
    EXPECT_EQ(KernelName(key), u"\\REGISTRY\\MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM");
    RegCloseKey(key);
}

TEST_F(RegistryKeyNameTest, UserKeysNameTheUsersSid) {
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Lumivox");
    std::string sid = CurrentUserSid();
    EXPECT_EQ(sid, "S-1-5-21-0-0-0-" + std::to_string(getuid()));
    EXPECT_EQ(KernelName(key), Wide("\\REGISTRY\\USER\\" + sid + "\\Software\\Lumivox"));
    RegCloseKey(key);
}

TEST_F(RegistryKeyNameTest, ShortBuffersAndBadHandles) {
    HKEY key = Create(HKEY_LOCAL_MACHINE, "SOFTWARE");
    unsigned char block[12] = {};
    ULONG needed = 0;
    // Room for part of the name: the full length is reported, what fits is copied.
    EXPECT_EQ(ZwQueryKey(key, KeyNameInformation, block, sizeof block, &needed),
              STATUS_BUFFER_OVERFLOW);
    EXPECT_EQ(needed,
              4u + 2u * std::char_traits<char16_t>::length(u"\\REGISTRY\\MACHINE\\SOFTWARE"));
    EXPECT_EQ(block[4], '\\');
    EXPECT_EQ(block[6], 'R');
    EXPECT_EQ(ZwQueryKey(key, KeyBasicInformation, block, sizeof block, &needed),
              STATUS_INVALID_INFO_CLASS);
    RegCloseKey(key);
    EXPECT_EQ(ZwQueryKey(key, KeyNameInformation, block, sizeof block, &needed),
              STATUS_INVALID_HANDLE);
    EXPECT_EQ(ZwQueryKey(INVALID_HANDLE_VALUE, KeyNameInformation, block, sizeof block, &needed),
              STATUS_INVALID_HANDLE);
}
} // namespace
