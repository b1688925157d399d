#include "tools/lumivox-sim/SettingsUnit.h"

#include <numeric>

namespace {
constexpr uint8_t kHello = 'V';
constexpr uint8_t kWrite = 'W';
constexpr uint8_t kRead = 'R';
constexpr size_t kHeaderSize = 4;
constexpr size_t kWriteFrameSize = kHeaderSize + SettingsUnit::kBlockSize + 1;
constexpr size_t kReadRequestSize = kHeaderSize + 1;

uint8_t Sum(std::string_view bytes) {
    return static_cast<uint8_t>(std::accumulate(
        bytes.begin(), bytes.end(), 0u, [](unsigned sum, char c) { return sum + uint8_t(c); }));
}

// The block a header's three offset bytes name, or -1 when they name no block start.
int BlockOf(std::string_view header) {
    const uint32_t offset =
        uint32_t(uint8_t(header[1])) << 16 | uint32_t(uint8_t(header[2])) << 8 | uint8_t(header[3]);
    if (offset % SettingsUnit::kBlockSize != 0 || offset >= SettingsUnit::kImageSize)
        return -1;
    return static_cast<int>(offset / SettingsUnit::kBlockSize);
}
} // namespace

SettingsUnit::SettingsUnit(SettingsFaults faults) : faults_(faults), image_(FactoryImage()) {}

SettingsUnit::Image SettingsUnit::FactoryImage() {
    Image image{};
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i * 37 + 11);
    return image;
}

std::string SettingsUnit::Receive(std::string_view bytes) {
    std::string answer;
    for (char byte : bytes)
        Take(static_cast<uint8_t>(byte), answer);
    return answer;
}

void SettingsUnit::LineIdle() {
    if (command_.empty())
        return;
    Log("dropped incomplete command after a pause: " + HexBytes(command_));
    command_.clear();
}

void SettingsUnit::Take(uint8_t byte, std::string& answer) {
    if (command_.empty()) {
        if (byte == kHello || byte == kWrite || byte == kRead)
            command_.push_back(char(byte));
        else
            Log("ignored " + HexBytes(std::string(1, char(byte))));
        return;
    }
    if (command_[0] == kHello) {
        if (byte == kHello) {
            command_.clear();
            Hello(answer);
            return;
        }
        // A lone "V" was noise; the byte may start the real command.
        Log("ignored 0x56");
        command_.clear();
        Take(byte, answer);
        return;
    }
    command_.push_back(char(byte));
    if (command_[0] == kWrite && command_.size() == kWriteFrameSize)
        WriteFrame(answer);
    else if (command_[0] == kRead && command_.size() == kReadRequestSize)
        ReadRequest(answer);
}

void SettingsUnit::Hello(std::string& answer) {
    Log("received hello");
    Answer(answer, kHelloAnswer, -1);
}

void SettingsUnit::WriteFrame(std::string& answer) {
    std::string frame;
    frame.swap(command_);
    const int block = BlockOf(frame);
    const std::string_view data = std::string_view(frame).substr(kHeaderSize, kBlockSize);
    const uint8_t expected = Sum(std::string_view(frame).substr(0, kWriteFrameSize - 1));
    if (block < 0 || uint8_t(frame.back()) != expected) {
        // A damaged frame must not reach the settings: refuse it and keep the old block.
        Log(block < 0 ? "write frame with a bad offset " + HexBytes(frame.substr(1, 3)) + " refused"
                      : "write frame for block " + std::to_string(block) +
                            " with a bad checksum refused");
        Answer(answer, kWriteRefused, block);
        return;
    }
    std::copy(data.begin(), data.end(), image_.begin() + block * kBlockSize);
    Log("received write of block " + std::to_string(block));
    if (OnImageChanged)
        OnImageChanged();
    if (block == faults_.noAckBlock) {
        Log("fault: no acknowledgement for block " + std::to_string(block));
        return;
    }
    Answer(answer, kWriteAck, block);
}

void SettingsUnit::ReadRequest(std::string& answer) {
    std::string request;
    request.swap(command_);
    const int block = BlockOf(request);
    if (block < 0 || uint8_t(request.back()) != Sum(std::string_view(request).substr(0, 4))) {
        Log("invalid read request " + HexBytes(request) + " not answered");
        return;
    }
    Log("received read of block " + std::to_string(block));
    const auto first = image_.begin() + block * kBlockSize;
    std::string reply(first, first + kBlockSize);
    uint8_t sum = Sum(reply);
    if (block == faults_.badChecksumBlock) {
        Log("fault: wrong checksum for block " + std::to_string(block));
        sum = static_cast<uint8_t>(sum + 1);
    }
    reply.push_back(char(sum));
    Answer(answer, reply, block);
}

void SettingsUnit::Answer(std::string& answer, std::string_view bytes, int block) {
    if (faults_.silent || stopped_)
        return;
    answer.append(bytes);
    for (int i = 0; i < faults_.strayBytes; ++i)
        answer.push_back(char(0xE0 + i % 16));
    if (block >= 0 && block == faults_.stopAfterBlock) {
        Log("fault: stopping after block " + std::to_string(block));
        stopped_ = true;
    }
}
