#include <gtest/gtest.h>

#include "updater/McuInfo.h"
#include "updater/ProgramPlan.h"
#include "updater/UpdaterArgs.h"

TEST(UpdaterArgs, PortNumbersModesAndDeviceNames) {
    const PortArgument com = ParsePortArgument("com12:s");
    EXPECT_EQ(com.device, "\\\\.\\COM12");
    EXPECT_EQ(com.mode, WireMode::SingleWire);
    EXPECT_EQ(ParsePortArgument("3:?").mode, WireMode::Detect);
    EXPECT_EQ(ParsePortArgument("COM3:").mode, WireMode::TwoWire);
    EXPECT_EQ(ParsePortArgument("COM3:d").device, "\\\\.\\COM3");

    const PortArgument bad = ParsePortArgument("COM3:x");
    EXPECT_TRUE(bad.badMode);
    EXPECT_EQ(bad.modeLetter, 'x');
    EXPECT_TRUE(ParsePortArgument("COM3:SS").badMode);

    // Without a usable number the argument names the device itself.
    EXPECT_EQ(ParsePortArgument("COM0").device, "COM0");
    EXPECT_EQ(ParsePortArgument("ttyS").device, "ttyS");
    EXPECT_EQ(ParsePortArgument("/dev/ttyUSB0").device, "\\\\.\\/dev/ttyUSB0");
    EXPECT_FALSE(ParsePortArgument("/dev/ttyUSB0").badMode);
}

TEST(UpdaterArgs, SpeedsAndArgumentCounts) {
    unsigned speed = 0;
    EXPECT_TRUE(ParseSpeed("50", speed));
    EXPECT_TRUE(ParseSpeed("4000000", speed));
    EXPECT_EQ(speed, 4000000u);
    for (const char* bad : {"49", "4000001", "", "96OO", "-9600", "9600 "})
        EXPECT_FALSE(ParseSpeed(bad, speed)) << bad;

    EXPECT_TRUE(ParseUpdaterArguments({"COM1"}).usage);
    EXPECT_TRUE(ParseUpdaterArguments({"a", "b", "c", "d"}).usage);
    const UpdaterArguments three = ParseUpdaterArguments({"COM1", "19200", "f.s19"});
    EXPECT_EQ(three.speedText, "19200");
    EXPECT_EQ(three.file, "f.s19");
    EXPECT_EQ(ParseUpdaterArguments({"COM1", "f.s19"}).speedText, "");
}

TEST(McuInfo, RejectsMalformedIdentifications) {
    McuInfo good{1, 0x17, {{0x1000, 0x17FF}}, 512, 64, "x"};
    EXPECT_TRUE(good.Valid());
    EXPECT_EQ(good.FlashBytes(), 0x800u);
    auto broken = [&](auto change) {
        McuInfo info = good;
        change(info);
        return !info.Valid();
    };
    EXPECT_TRUE(broken([](McuInfo& i) { i.version = 2; }));
    EXPECT_TRUE(broken([](McuInfo& i) { i.ranges.clear(); }));
    EXPECT_TRUE(broken([](McuInfo& i) { i.ranges.assign(9, {0x1000, 0x11FF}); }));
    EXPECT_TRUE(broken([](McuInfo& i) { i.ranges = {{0x1800, 0x17FF}}; }));
    EXPECT_TRUE(broken([](McuInfo& i) { i.ranges = {{0x1100, 0x17FF}}; }));
    EXPECT_TRUE(broken([](McuInfo& i) { i.ranges = {{0x1000, 0x17FE}}; }));
    EXPECT_TRUE(broken([](McuInfo& i) { i.eraseSize = 0; }));
    EXPECT_TRUE(broken([](McuInfo& i) { i.eraseSize = 768; }));
    EXPECT_TRUE(broken([](McuInfo& i) { i.writeSize = 4; }));
    EXPECT_TRUE(broken([](McuInfo& i) { i.writeSize = 96; }));
}

TEST(ProgramPlan, PiecesCarryOnlyImageBytesAndNeverCrossAWriteBlock) {
    const McuInfo info{1, 0, {{0x8000, 0x83FF}, {0x1000, 0x11FF}}, 512, 16, "x"};
    FirmwareImage image;
    for (uint32_t a = 0x800C; a < 0x8014; ++a) // crosses the write block at 0x8010
        image.Set(a, uint8_t(a));
    image.Set(0x8016, 1); // after a gap
    image.Set(0x1000, 2); // second range, lower address
    image.Set(0x2000, 3); // outside every range
    const auto plan = PlanProgramming(image, info);
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(plan[0].address, 0x1000);
    EXPECT_EQ(plan[1].address, 0x8000);
    ASSERT_EQ(plan[1].pieces.size(), 3u);
    EXPECT_EQ(plan[1].pieces[0].address, 0x800C);
    EXPECT_EQ(plan[1].pieces[0].data.size(), 4u);
    EXPECT_EQ(plan[1].pieces[1].address, 0x8010);
    EXPECT_EQ(plan[1].pieces[1].data.size(), 4u);
    EXPECT_EQ(plan[1].pieces[2].address, 0x8016);
    EXPECT_EQ(PlannedBytes(plan), 10u);
}
