#include <gtest/gtest.h>

#include <numeric>

#include "tools/lumivox-sim/SettingsUnit.h"

namespace {
std::string ReadRequest(int block) {
    return {'R', 0, char(block), 0, char(0x52 + block)};
}

std::string WriteFrame(int block, const std::string& data) {
    std::string frame = {'W', 0, char(block), 0};
    frame += data;
    unsigned sum = std::accumulate(frame.begin(), frame.end(), 0u,
                                   [](unsigned s, char c) { return s + uint8_t(c); });
    frame.push_back(char(sum));
    return frame;
}

uint8_t DataSum(const std::string& bytes) {
    return uint8_t(std::accumulate(bytes.begin(), bytes.end(), 0u,
                                   [](unsigned s, char c) { return s + uint8_t(c); }));
}

std::string BlockOf(const SettingsUnit& unit, int block) {
    const auto first = unit.Contents().begin() + block * 256;
    return std::string(first, first + 256);
}
} // namespace

TEST(SettingsUnit, AnswersHelloAndEachReadRequestWithDataAndDataOnlySum) {
    SettingsUnit unit;
    EXPECT_GE(unit.Receive("VV").size(), 3u);
    for (int block = 0; block < 3; ++block) {
        const std::string reply = unit.Receive(ReadRequest(block));
        ASSERT_EQ(reply.size(), 257u);
        EXPECT_EQ(reply.substr(0, 256), BlockOf(unit, block));
        EXPECT_EQ(uint8_t(reply[256]), DataSum(reply.substr(0, 256)));
    }
}

TEST(SettingsUnit, StoresAWriteFrameFedOneByteAtATime) {
    SettingsUnit unit;
    const std::string data(256, char(0xFF));
    const std::string frame = WriteFrame(2, data);
    EXPECT_EQ(uint8_t(frame.back()), 0x59); // equal bytes sum to 0: only the header counts
    std::string answer;
    for (char byte : frame)
        answer += unit.Receive(std::string(1, byte));
    EXPECT_EQ(answer, SettingsUnit::kWriteAck);
    EXPECT_EQ(BlockOf(unit, 2), data);
    EXPECT_NE(BlockOf(unit, 1), data);
}

TEST(SettingsUnit, RefusesDamagedFramesAndKeepsTheOldSettings) {
    SettingsUnit unit;
    const std::string before = BlockOf(unit, 0);
    std::string frame = WriteFrame(0, std::string(256, 'x'));
    frame.back() = char(frame.back() + 1);
    EXPECT_EQ(unit.Receive(frame), SettingsUnit::kWriteRefused);
    EXPECT_EQ(BlockOf(unit, 0), before);

    std::string badOffset = WriteFrame(0, std::string(256, 'x'));
    badOffset[2] = 3; // block 3 does not exist
    EXPECT_EQ(unit.Receive(badOffset), SettingsUnit::kWriteRefused);

    std::string badRequest = ReadRequest(1);
    badRequest.back() = 0x52;
    EXPECT_EQ(unit.Receive(badRequest), "");
    EXPECT_FALSE(unit.MidCommand());
}

TEST(SettingsUnit, APauseDropsAHalfReceivedCommandAndNoiseIsSkipped) {
    SettingsUnit unit;
    EXPECT_EQ(unit.Receive(WriteFrame(1, std::string(256, 'a')).substr(0, 100)), "");
    EXPECT_TRUE(unit.MidCommand());
    unit.LineIdle();
    EXPECT_FALSE(unit.MidCommand());
    // Noise and a lone "V" before a request do not hide it.
    EXPECT_EQ(unit.Receive(std::string("\x01V") + ReadRequest(0)).size(), 257u);
}

TEST(SettingsUnit, FaultsShapeTheAnswers) {
    SettingsFaults stop;
    stop.stopAfterBlock = 1;
    SettingsUnit stopping(stop);
    EXPECT_EQ(stopping.Receive(ReadRequest(0)).size(), 257u);
    EXPECT_EQ(stopping.Receive(ReadRequest(1)).size(), 257u);
    EXPECT_EQ(stopping.Receive(ReadRequest(2)), "");
    EXPECT_EQ(stopping.Receive("VV"), "");

    SettingsFaults checksum;
    checksum.badChecksumBlock = 2;
    SettingsUnit wrong(checksum);
    const std::string reply = wrong.Receive(ReadRequest(2));
    ASSERT_EQ(reply.size(), 257u);
    EXPECT_EQ(uint8_t(reply[256]), uint8_t(DataSum(reply.substr(0, 256)) + 1));

    SettingsFaults noAck;
    noAck.noAckBlock = 0;
    SettingsUnit quiet(noAck);
    EXPECT_EQ(quiet.Receive(WriteFrame(0, std::string(256, 'q'))), "");
    EXPECT_EQ(BlockOf(quiet, 0), std::string(256, 'q'));

    SettingsFaults stray;
    stray.strayBytes = 3;
    SettingsUnit chatty(stray);
    EXPECT_EQ(chatty.Receive("VV").size(), SettingsUnit::kHelloAnswer.size() + 3);

    SettingsFaults silent;
    silent.silent = true;
    SettingsUnit mute(silent);
    EXPECT_EQ(mute.Receive("VV" + ReadRequest(0)), "");
}
