// The whole port configuration as one 49-byte binary registry value.
#include <array>
#include <cstring>

#include "comm/SerialComm.h"
#include "platform/win32/RegistryAccess.h"

namespace {
constexpr size_t DCB_OFFSET = 1;
constexpr size_t TIMEOUTS_OFFSET = DCB_OFFSET + sizeof(DCB);
using ConfigBlock = std::array<uint8_t, SERIAL_CONFIG_SIZE>;
} // namespace

void TnrCustomSerialComm::SaveConfig(HKEY RootKey, const AnsiString& Key, const AnsiString& Name) {
    ConfigBlock block{};
    block[0] = static_cast<uint8_t>(FComPortNo & 0xFF);
    std::memcpy(block.data() + DCB_OFFSET, &GetCommConfigRecord().dcb, sizeof(DCB));
    std::memcpy(block.data() + TIMEOUTS_OFFSET, GetTimeouts(), sizeof(COMMTIMEOUTS));
    bool saved = false;
    {
        TRegistry registry;
        registry.SetRootKey(RootKey);
        try {
            if (registry.OpenKey(Key, true)) {
                registry.WriteBinaryData(Name, block.data(), SERIAL_CONFIG_SIZE);
                saved = true;
            }
        } catch (const ERegistryException&) {
        }
    }
    if (!saved) {
        DoFatalErrors(1, 0, "Error on save config information from registry", false);
        return;
    }
    Logging(dlDetail, "Configuration was saved");
}

void TnrCustomSerialComm::LoadConfig(HKEY RootKey, const AnsiString& Key, const AnsiString& Name) {
    ConfigBlock block{};
    bool haveValue = false;
    bool readFailed = false;
    {
        TRegistry registry;
        registry.SetRootKey(RootKey);
        TRegDataInfo info;
        if (registry.OpenKey(Key, true) && registry.GetDataInfo(Name, info) &&
            info.DataSize == SERIAL_CONFIG_SIZE) {
            try {
                haveValue = registry.ReadBinaryData(Name, block.data(), SERIAL_CONFIG_SIZE) ==
                            SERIAL_CONFIG_SIZE;
                readFailed = !haveValue;
            } catch (const ERegistryException&) {
                readFailed = true;
            }
        }
    }
    if (readFailed) {
        DoFatalErrors(1, 0, "Error on load config information from registry", false);
        return;
    }
    if (haveValue) {
        SetComPortNo(block[0]);
        std::memcpy(&GetCommConfigRecord().dcb, block.data() + DCB_OFFSET, sizeof(DCB));
        DCBApply();
        COMMTIMEOUTS timeouts;
        std::memcpy(&timeouts, block.data() + TIMEOUTS_OFFSET, sizeof timeouts);
        SetTimeOuts(&timeouts);
    }
    Logging(dlDetail, "Configuration was loaded");
}
