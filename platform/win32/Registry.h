#pragma once
// The registry: HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER, kept as the text files
// $VOKA_HOME/machine.reg and $VOKA_HOME/user.reg ("Windows Registry Editor Version 5.00").
//
// Every change re-reads its file and rewrites it atomically (temporary file, fsync,
// rename) under an flock on "<file>.lock", so processes writing at once lose nothing;
// reads pick up another process's changes when the file changed. A file that cannot be
// parsed is renamed to "<file>.damaged-<date>-<time>", a warning goes to stderr, and the
// hive starts empty. Key and value names ignore letter case. Names holding control
// characters are refused (ERROR_INVALID_PARAMETER) so the files always read back.
// HKEY_CLASSES_ROOT and HKEY_USERS are not provided; volatile keys are kept like others.
//
// HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM is not stored: each open takes the
// serial port map from its provider (value name = device path, data = "COMn"); it is
// read-only.
//
// HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum is not stored either: its keys are the
// device keys of the devices present, taken from their provider each time a key is opened
// (the keys between Enum and a device key exist without values); read-only.
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "platform/win32/Files.h"
#include "platform/win32/WinError.h"

using REGSAM = DWORD;
using PHKEY = HKEY*;
using LSTATUS = LONG;

inline const HKEY HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(uintptr_t{0x80000000});
inline const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(uintptr_t{0x80000001});
inline const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(uintptr_t{0x80000002});
inline const HKEY HKEY_USERS = reinterpret_cast<HKEY>(uintptr_t{0x80000003});

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_DWORD_LITTLE_ENDIAN = 4;
constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
constexpr DWORD REG_LINK = 6;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_CREATE_LINK = 0x0020;
constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
constexpr REGSAM KEY_WOW64_32KEY = 0x0200;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_EXECUTE = 0x20019;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_OPTION_VOLATILE = 1;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Each returns ERROR_SUCCESS or the error code (the last error is not touched).
LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result);
LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options,
                     REGSAM desired, LPSECURITY_ATTRIBUTES security, PHKEY result,
                     LPDWORD disposition);
LONG RegCloseKey(HKEY key);
// Without data, *dataSize receives the size; a buffer too small gives ERROR_MORE_DATA and
// the size needed. String sizes count their terminating zero as stored.
LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, BYTE* data,
                      LPDWORD dataSize);
LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD dataSize);
// Values in the order they were first set. valueNameSize: characters in, including the
// zero; out, without it. ERROR_NO_MORE_ITEMS past the last value.
LONG RegEnumValueA(HKEY key, DWORD index, LPSTR valueName, LPDWORD valueNameSize, LPDWORD reserved,
                   LPDWORD type, BYTE* data, LPDWORD dataSize);
// Subkeys in name order, letter case ignored.
LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                   LPSTR keyClass, LPDWORD keyClassSize, FILETIME* lastWriteTime);
LONG RegDeleteValueA(HKEY key, LPCSTR valueName);
// The key must have no subkeys (ERROR_ACCESS_DENIED otherwise).
LONG RegDeleteKeyA(HKEY key, LPCSTR subKey);

// The port map behind ...\SERIALCOMM: pairs of (device path, port name "COMn"). The
// default provider reads VOKA_PORTS ("COM9=/dev/pts/5;COM10=/dev/ttyUSB3"); null restores it.
// An entry that is not COMn=device is skipped, with a warning on stderr naming it.
using SerialPortMapProvider = std::function<std::vector<std::pair<AnsiString, AnsiString>>()>;
void SetSerialPortMapProvider(SerialPortMapProvider provider);
std::vector<std::pair<AnsiString, AnsiString>> PortsFromEnvironment();

// The keys below ...\Enum: each path relative to Enum ("USB\VID_0403&PID_6001\A50285BI\Device
// Parameters") with its string values. Without a provider Enum has no subkeys; null removes it.
struct LiveDeviceKey {
    AnsiString path;
    std::vector<std::pair<AnsiString, AnsiString>> values;
};
using DeviceKeyProvider = std::function<std::vector<LiveDeviceKey>()>;
void SetDeviceKeyProvider(DeviceKeyProvider provider);

// The kernel's key-name query, also found as "ntdll.dll"!"ZwQueryKey". KeyNameInformation
// gives "\REGISTRY\MACHINE\<path>" or "\REGISTRY\USER\<sid>\<path>" in UTF-16.
using NTSTATUS = int32_t;
constexpr NTSTATUS STATUS_SUCCESS = 0;
constexpr NTSTATUS STATUS_BUFFER_OVERFLOW = static_cast<NTSTATUS>(0x80000005);
constexpr NTSTATUS STATUS_INVALID_INFO_CLASS = static_cast<NTSTATUS>(0xC0000003);
constexpr NTSTATUS STATUS_INVALID_HANDLE = static_cast<NTSTATUS>(0xC0000008);
constexpr NTSTATUS STATUS_BUFFER_TOO_SMALL = static_cast<NTSTATUS>(0xC0000023);
constexpr NTSTATUS STATUS_KEY_DELETED = static_cast<NTSTATUS>(0xC000017C);

enum KEY_INFORMATION_CLASS {
    KeyBasicInformation = 0,
    KeyNodeInformation = 1,
    KeyFullInformation = 2,
    KeyNameInformation = 3
};
struct KEY_NAME_INFORMATION {
    ULONG NameLength; // in bytes, without a terminating zero
    WCHAR Name[1];
};
NTSTATUS ZwQueryKey(HANDLE key, KEY_INFORMATION_CLASS informationClass, void* information,
                    ULONG length, ULONG* resultLength);
// The current user's security identifier in the kernel names: "S-1-5-21-0-0-0-<uid>".
AnsiString CurrentUserSid();
