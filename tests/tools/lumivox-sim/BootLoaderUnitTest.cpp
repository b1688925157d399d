#include <gtest/gtest.h>

#include "tests/support/TempDir.h"
#include "tools/lumivox-sim/BootLoaderUnit.h"
#include "updater/BootProtocol.h"

using namespace boot;

namespace {
std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values)
        out.push_back(char(v));
    return out;
}
std::string Calibration() {
    return char(kCalibrate) + std::string(kCalibrationLength, char(0x55));
}
std::string Erase(uint16_t address) {
    return Bytes({kErase, address >> 8, address & 0xFF});
}
std::string Write(uint16_t address, const std::string& data) {
    return Bytes({kWrite, address >> 8, address & 0xFF, int(data.size())}) + data;
}
std::string Read(uint16_t address, int length) {
    return Bytes({kRead, address >> 8, address & 0xFF, length});
}
const std::string kAckText(1, char(kAck));
const std::string kNakText(1, char(kNak));

struct BootUnitTest : ::testing::Test {
    FlashModel flash{FlashLayout::Default()};
};
} // namespace

TEST_F(BootUnitTest, WakeCalibrationAndIdentification) {
    BootLoaderUnit unit(flash);
    EXPECT_EQ(unit.Receive(Bytes({kWake, kWake})), kAckText + kAckText);
    EXPECT_EQ(unit.Receive(Calibration()), kAckText);
    std::string wrongPattern = Calibration();
    wrongPattern[5] = 0x54;
    EXPECT_EQ(unit.Receive(wrongPattern), kNakText);

    const std::string id = unit.Receive(Bytes({kIdentify}));
    // version, sdid, 2 ranges of 4 bytes, erase size, write size, name and its zero
    const auto& layout = flash.Layout();
    ASSERT_EQ(id.size(), 1 + 2 + 1 + 8 + 2 + 1 + layout.name.size() + 1);
    EXPECT_EQ(id[0], 1);
    EXPECT_EQ(id[3], 2);
    EXPECT_EQ(id.substr(4, 4), Bytes({0x10, 0x00, 0x17, 0xFF}));
    EXPECT_EQ(id.substr(12, 3), Bytes({0x02, 0x00, 64}));
    EXPECT_EQ(id.back(), '\0');
}

TEST_F(BootUnitTest, EraseWriteReadFollowTheFlashRules) {
    BootLoaderUnit unit(flash);
    EXPECT_EQ(unit.Receive(Erase(0xFE00)), kNakText); // the boot loader's own block
    EXPECT_EQ(unit.Receive(Erase(0x8100)), kNakText); // not an erase-block start
    EXPECT_EQ(unit.Receive(Erase(0x2000)), kNakText); // outside the ranges
    EXPECT_EQ(unit.Receive(Erase(0x8000)), kAckText);

    EXPECT_EQ(unit.Receive(Write(0x8010, "abc")), kAckText);
    EXPECT_EQ(unit.Receive(Write(0x8010, "x")), kNakText);                  // not erased
    EXPECT_EQ(unit.Receive(Write(0x803F, "yz")), kNakText);                 // crosses a write block
    EXPECT_EQ(unit.Receive(Write(0x8040, std::string(65, 'w'))), kNakText); // longer than a write
    EXPECT_EQ(unit.Receive(Read(0x8010, 4)), std::string("abc\xFF"));
    EXPECT_EQ(unit.Receive(Read(0x803F, 2)), ""); // crosses a write block: no answer
    EXPECT_EQ(unit.Receive(Read(0x2000, 1)), ""); // outside the ranges
    EXPECT_FALSE(unit.MidCommand());

    // Erasing brings the block back to 0xFF.
    EXPECT_EQ(unit.Receive(Erase(0x8000)), kAckText);
    EXPECT_EQ(flash.At(0x8010), 0xFF);
}

TEST_F(BootUnitTest, SingleWireEchoesEveryByteBeforeTheAnswer) {
    BootFaults faults;
    faults.singleWire = true;
    BootLoaderUnit unit(flash, faults);
    EXPECT_EQ(unit.Receive(Bytes({kWake})), Bytes({kWake, kAck}));
    const std::string erase = Erase(0x8000);
    EXPECT_EQ(unit.Receive(erase), erase + kAckText);
}

TEST_F(BootUnitTest, ALateBootLoaderAnswersEveryWakeUpLater) {
    BootFaults faults;
    faults.lateWakeMs = 150;
    faults.singleWire = true;
    BootLoaderUnit unit(flash, faults);
    EXPECT_EQ(unit.Receive(Bytes({kWake, kWake})), Bytes({kWake, kWake})); // the echo at once
    const UnitEngine::LateAnswer late = unit.TakeLateAnswer();
    EXPECT_EQ(late.delay, std::chrono::milliseconds(150));
    EXPECT_EQ(late.bytes, kAckText + kAckText);
    EXPECT_EQ(unit.TakeLateAnswer().bytes, "");
    const std::string erase = Erase(0x8000);
    EXPECT_EQ(unit.Receive(erase), erase + kAckText); // other commands are answered at once
}

TEST_F(BootUnitTest, QuitRestartsAndLaterBytesAreIgnored) {
    BootLoaderUnit unit(flash);
    EXPECT_EQ(unit.Receive(Bytes({kQuit})), kAckText);
    EXPECT_TRUE(unit.Restarted());
    EXPECT_EQ(unit.Receive(Bytes({kWake})), "");
}

TEST_F(BootUnitTest, FaultsRefuseCorruptAndGarble) {
    BootFaults faults;
    faults.nakErase = {true, 0x8000};
    faults.nakWrite = {true, 0x8042};
    faults.corruptRead = {true, 0x8001};
    faults.badIdentification = true;
    faults.nakCalibration = true;
    BootLoaderUnit unit(flash, faults);
    EXPECT_EQ(unit.Receive(Calibration()), kNakText);
    EXPECT_EQ(unit.Receive(Bytes({kIdentify}))[3], 9);
    EXPECT_EQ(unit.Receive(Erase(0x8000)), kNakText);
    EXPECT_EQ(unit.Receive(Erase(0x8200)), kAckText);
    EXPECT_EQ(unit.Receive(Write(0x8040, "abc")), kNakText); // holds 0x8042
    EXPECT_EQ(unit.Receive(Write(0x8000, "abc")), kAckText);
    const std::string back = unit.Receive(Read(0x8000, 3));
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0], 'a');
    EXPECT_NE(back[1], 'b');
    EXPECT_EQ(flash.At(0x8001), 'b'); // only the answer is changed

    BootFaults silent;
    silent.silent = true;
    silent.singleWire = true;
    BootLoaderUnit mute(flash, silent);
    EXPECT_EQ(mute.Receive(Bytes({kWake})), Bytes({kWake})); // the wire still echoes
}

TEST_F(BootUnitTest, FlashFileRoundTripsAndRefusesOtherSizes) {
    TempDir dir;
    ASSERT_TRUE(flash.Erase(0x1000));
    ASSERT_TRUE(flash.Write(0x1000, "data"));
    ASSERT_TRUE(flash.Save(dir / "flash.bin"));
    FlashModel copy(FlashLayout::Default());
    ASSERT_TRUE(copy.Load(dir / "flash.bin"));
    EXPECT_EQ(copy.Bytes(), flash.Bytes());
    WriteFileBytes(dir / "short.bin", std::string(100, '\0'));
    EXPECT_FALSE(copy.Load(dir / "short.bin"));
    EXPECT_EQ(copy.Bytes(), flash.Bytes());
}
