#include <gtest/gtest.h>

#include "tools/lumivox-sim/SimOptions.h"

TEST(SimOptions, RunTakesEverythingAfterItAsTheCommand) {
    SimOptions options;
    ASSERT_EQ(
        ParseSimOptions({"--boot", "--com", "7", "--run", "update.exe", "--com", "x"}, options),
        "");
    EXPECT_TRUE(options.boot);
    EXPECT_EQ(options.comNumber, 7);
    EXPECT_EQ(options.command, (std::vector<std::string>{"update.exe", "--com", "x"}));
    EXPECT_EQ(options.LineSpeed(), 9600u);
}

TEST(SimOptions, AddressFaultsTakeAnOptionalHexAddress) {
    SimOptions options;
    ASSERT_EQ(
        ParseSimOptions({"--nak-erase", "--corrupt-read=0x8001", "--nak-write=FE00"}, options), "");
    EXPECT_TRUE(options.bootFaults.nakErase.active);
    EXPECT_FALSE(options.bootFaults.nakErase.address);
    EXPECT_EQ(options.bootFaults.corruptRead.address, 0x8001);
    EXPECT_EQ(options.bootFaults.nakWrite.address, 0xFE00);

    ASSERT_EQ(ParseSimOptions({"--late-wake"}, options), "");
    EXPECT_EQ(options.bootFaults.lateWakeMs, 150u);
    ASSERT_EQ(ParseSimOptions({"--late-wake=400"}, options), "");
    EXPECT_EQ(options.bootFaults.lateWakeMs, 400u);
}

TEST(SimOptions, RefusesWhatItCannotUse) {
    const std::vector<std::vector<std::string>> bad = {
        {"--stop-after", "3"}, {"--com"},        {"--speed", "12x"}, {"--run"},
        {"--pace=1"},          {"--frobnicate"}, {"--nak-erase=G"},  {"--com", "0"},
        {"--late-wake=0"}};
    for (const auto& arguments : bad) {
        SimOptions options;
        EXPECT_NE(ParseSimOptions(arguments, options), "") << arguments[0];
    }
}
