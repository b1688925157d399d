// The 49-byte configuration value in the registry.
#include <algorithm>
#include <cstring>

#include "platform/win32/RegistryAccess.h"
#include "tests/comm/CommTestSupport.h"

namespace {
const char* const kKey = "Software\\VOKA\\Test";

std::string ReadValue(const char* name) {
    TRegistry registry;
    EXPECT_TRUE(registry.OpenKey(kKey, false));
    std::string bytes(64, '\0');
    bytes.resize(registry.ReadBinaryData(name, bytes.data(), static_cast<int>(bytes.size())));
    return bytes;
}

void WriteValue(const char* name, const std::string& bytes) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(kKey, true));
    registry.WriteBinaryData(name, bytes.data(), static_cast<int>(bytes.size()));
}

template <class T> T At(const std::string& bytes, size_t offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}
} // namespace

TEST_F(CommTest, SaveConfigWritesPortDcbAndTimeouts) {
    comm->SetComPortNo(300);
    comm->SetBaudRate(115200);
    comm->SetParity(pOdd);
    comm->SetTimeoutRead(3);
    comm->SaveConfig(HKEY_CURRENT_USER, kKey, "Port");

    const std::string bytes = ReadValue("Port");
    ASSERT_EQ(bytes.size(), 49u);
    EXPECT_EQ(uint8_t(bytes[0]), 300 & 0xFF);
    EXPECT_EQ(0, std::memcmp(bytes.data() + 1, &comm->GetCommConfigRecord().dcb, 28));
    EXPECT_EQ(At<DWORD>(bytes, 1), 28u);
    EXPECT_EQ(At<DWORD>(bytes, 5), 115200u);
    EXPECT_EQ(uint8_t(bytes[1 + 19]), ODDPARITY);
    EXPECT_EQ(At<DWORD>(bytes, 29 + 4), 3u);    // ReadTotalTimeoutMultiplier
    EXPECT_EQ(At<DWORD>(bytes, 29 + 12), 100u); // WriteTotalTimeoutMultiplier
    EXPECT_TRUE(log.Has("reRore: Configuration was saved"));
}

TEST_F(CommTest, LoadConfigRestoresAndPort300ComesBackAs44) {
    comm->SetComPortNo(300);
    comm->SetBaudRate(4800);
    comm->SetTimeoutWrite(9);
    comm->SaveConfig(HKEY_CURRENT_USER, kKey, "Port");

    TreRore other(nullptr);
    other.LoadConfig(HKEY_CURRENT_USER, kKey, "Port");
    EXPECT_EQ(other.GetComPortNo(), 44);
    EXPECT_EQ(other.GetBaudRate(), 4800u);
    EXPECT_EQ(other.GetTimeoutWrite(), 9u);
}

TEST_F(CommTest, LoadConfigOnAnActivePortReopensOnTheStoredNumber) {
    auto com9 = VirtualPortRemote::Create("COM9");
    comm->SetComPortNo(9);
    comm->SetBaudRate(1200);
    comm->SaveConfig(HKEY_CURRENT_USER, kKey, "Port");
    comm->SetComPortNo(kPort);
    comm->SetActive(true);
    comm->LoadConfig(HKEY_CURRENT_USER, kKey, "Port");
    EXPECT_TRUE(comm->GetActive());
    EXPECT_TRUE(com9->NearEndOpen());
    EXPECT_FALSE(remote->NearEndOpen());
    EXPECT_EQ(com9->LineSettings().BaudRate, 1200u);
}

TEST_F(CommTest, LoadConfigIgnoresMissingOrWrongSizedValues) {
    WriteValue("Short", std::string(48, '\x05'));
    comm->SetBaudRate(9600);
    comm->LoadConfig(HKEY_CURRENT_USER, kKey, "Short");
    comm->LoadConfig(HKEY_CURRENT_USER, kKey, "Missing");
    EXPECT_EQ(comm->GetBaudRate(), 9600u);
    EXPECT_EQ(comm->GetComPortNo(), kPort);
    EXPECT_EQ(std::count_if(log.lines.begin(), log.lines.end(),
                            [](const auto& line) {
                                return line.second == "reRore: Configuration was loaded";
                            }),
              2);
}

TEST_F(CommTest, UnreadableValueReportsTheLoadError) {
    {
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey(kKey, true));
        registry.WriteString("Text", std::string(48, 'x')); // 49 bytes with its zero
    }
    events.AttachFatal(*comm);
    events.raiseFatal = false;
    comm->LoadConfig(HKEY_CURRENT_USER, kKey, "Text");
    EXPECT_EQ(events.fatals,
              std::vector<AnsiString>({"1,0,Error on load config information from registry"}));
    EXPECT_FALSE(log.Has("reRore: Configuration was loaded"));
}

TEST_F(CommTest, UnwritableKeyRaisesTheSaveError) {
    try {
        comm->SaveConfig(HKEY_CLASSES_ROOT, kKey, "Port");
        FAIL() << "no exception";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message, "Error on save config information from registry");
    }
    EXPECT_TRUE(log.Has("Fatal Error: 1, 0, Error on save config information from registry"));
}
