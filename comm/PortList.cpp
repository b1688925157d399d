// The port list from the serial port map (or, on the Windows 9x family, the spooler).
#include <algorithm>
#include <cstring>
#include <vector>

#include "comm/nrwin32.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Version.h"
#include "platform/win32/WinSpool.h"

namespace {
constexpr DWORD NAME_BUFFER_SIZE = 260;

TObject* NumberAsObject(int Number) {
    return reinterpret_cast<TObject*>(static_cast<intptr_t>(Number));
}

// Keeps the list ascending by number. A text listed already is ignored; a number equal to
// the largest listed finds no place and is dropped.
void InsertSorted(TStrings& Strings, const AnsiString& Text, int Number) {
    if (Strings.IndexOf(Text) >= 0)
        return;
    const int count = Strings.Count();
    if (count == 0 || PortListNumber(Strings, count - 1) < Number) {
        Strings.AddObject(Text, NumberAsObject(Number));
        return;
    }
    for (int i = 0; i < count; ++i)
        if (PortListNumber(Strings, i) > Number) {
            Strings.InsertObject(i, Text, NumberAsObject(Number));
            return;
        }
}

bool IsWindows9x() {
    OSVERSIONINFOA info;
    info.dwOSVersionInfoSize = sizeof info;
    return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

void AddSpoolerPorts(TStrings& Strings) {
    DWORD needed = 0;
    DWORD returned = 0;
    if (EnumPortsA(nullptr, 1, nullptr, 0, &needed, &returned) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return;
    std::vector<BYTE> buffer(needed);
    if (!EnumPortsA(nullptr, 1, buffer.data(), needed, &needed, &returned))
        return;
    const auto* ports = reinterpret_cast<const PORT_INFO_1A*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i) {
        AnsiString name = ports[i].pName ? ports[i].pName : "";
        if (name.compare(0, 3, "COM") != 0)
            continue;
        if (auto colon = name.find(':'); colon != AnsiString::npos)
            name.erase(colon, 1);
        InsertSorted(Strings, name, StrToInt(name.substr(3)));
    }
}

void AddPortMapPorts(TStrings& Strings, bool WithDeviceNames) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS)
        return;
    struct KeyCloser {
        HKEY key;
        ~KeyCloser() { RegCloseKey(key); }
    } closer{key};
    for (DWORD index = 0;; ++index) {
        char valueName[NAME_BUFFER_SIZE] = {};
        BYTE data[NAME_BUFFER_SIZE] = {};
        DWORD valueNameSize = NAME_BUFFER_SIZE;
        DWORD dataSize = NAME_BUFFER_SIZE;
        if (RegEnumValueA(key, index, valueName, &valueNameSize, nullptr, nullptr, data,
                          &dataSize) != ERROR_SUCCESS)
            break;
        const auto* text = reinterpret_cast<const char*>(data);
        const AnsiString portName =
            UpperCase(AnsiString(text, strnlen(text, std::min(dataSize, NAME_BUFFER_SIZE))));
        if (portName.compare(0, 3, "COM") != 0)
            continue;
        // One entry per port: the device enumerated first wins.
        if (Strings.IndexOfName(portName) >= 0)
            continue;
        const int number = StrToInt(portName.substr(3));
        InsertSorted(Strings, WithDeviceNames ? portName + "=" + valueName : portName, number);
    }
}
} // namespace

int PortListNumber(const TStrings& Strings, int Index) {
    return static_cast<int>(reinterpret_cast<intptr_t>(Strings.GetObject(Index)));
}

void GetPortList(TStrings& Strings, bool WithDeviceNames) {
    Strings.Clear();
    if (IsWindows9x())
        AddSpoolerPorts(Strings);
    else
        AddPortMapPorts(Strings, WithDeviceNames);
}
