#include "updater/BootSession.h"

#include <thread>

#include "updater/BootProtocol.h"

using namespace boot;
using Clock = std::chrono::steady_clock;

namespace {
std::string AddressBytes(uint16_t address) {
    return {char(address >> 8), char(address & 0xFF)};
}
uint16_t Word(const std::string& bytes, size_t at) {
    return uint16_t(uint8_t(bytes[at]) << 8 | uint8_t(bytes[at + 1]));
}
} // namespace

bool BootSession::Contact() {
    const auto giveUp = Clock::now() + timing_.contactLimit;
    while (Clock::now() < giveUp) {
        if (!link_.Send(std::string(1, char(kWake))))
            return false;
        const auto nextWake = Clock::now() + timing_.wakeInterval;
        bool heardAnything = false;
        bool echoSeen = false;
        while (Clock::now() < nextWake) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(nextWake - Clock::now());
            const std::string bytes = link_.Receive(1, left);
            if (bytes.empty())
                continue;
            const uint8_t byte = uint8_t(bytes[0]);
            const bool first = !heardAnything;
            heardAnything = true;
            if (byte == kWake && first && mode_ == WireMode::Detect) {
                mode_ = WireMode::SingleWire;
                detected_ = true;
                echoSeen = true;
                continue;
            }
            if (byte == kWake && mode_ == WireMode::SingleWire && !echoSeen) {
                echoSeen = true;
                continue;
            }
            if (byte == kAck) {
                std::this_thread::sleep_for(timing_.settle);
                link_.DropInput();
                return true;
            }
        }
    }
    return false;
}

bool BootSession::Command(std::string_view bytes) {
    if (!link_.Send(bytes))
        return false;
    if (mode_ != WireMode::SingleWire)
        return true;
    std::string echo;
    return ReadExact(bytes.size(), AnswerDeadline(), echo) && echo == bytes;
}

bool BootSession::ReadExact(size_t count, Deadline deadline, std::string& out) {
    out.clear();
    while (out.size() < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        out += link_.Receive(count - out.size(), left);
    }
    return true;
}

bool BootSession::Acknowledged() {
    std::string answer;
    return ReadExact(1, AnswerDeadline(), answer) && uint8_t(answer[0]) == kAck;
}

bool BootSession::Calibrate() {
    std::string command(1, char(kCalibrate));
    command.append(kCalibrationLength, char(kCalibrationByte));
    return Command(command) && Acknowledged();
}

bool BootSession::Identify(McuInfo& info) {
    if (!Command(std::string(1, char(kIdentify))))
        return false;
    const Deadline deadline = AnswerDeadline();
    std::string head;
    if (!ReadExact(4, deadline, head))
        return false;
    info = {};
    info.version = uint8_t(head[0]);
    info.sdid = Word(head, 1);
    const size_t rangeCount = uint8_t(head[3]);
    if (info.version != kProtocolVersion || rangeCount == 0 || rangeCount > 8)
        return false;
    std::string body;
    if (!ReadExact(rangeCount * 4 + 3, deadline, body))
        return false;
    for (size_t i = 0; i < rangeCount; ++i)
        info.ranges.push_back({Word(body, i * 4), Word(body, i * 4 + 2)});
    info.eraseSize = Word(body, rangeCount * 4);
    info.writeSize = uint8_t(body[rangeCount * 4 + 2]);
    // The name ends in one zero byte, which counts in its 32.
    for (size_t i = 0; i < kMaxNameLength; ++i) {
        std::string byte;
        if (!ReadExact(1, deadline, byte))
            return false;
        if (byte[0] == '\0')
            return info.Valid();
        info.name += byte;
    }
    return false;
}

bool BootSession::Erase(uint16_t address) {
    return Command(char(kErase) + AddressBytes(address)) && Acknowledged();
}

bool BootSession::Write(uint16_t address, std::string_view data) {
    std::string command = char(kWrite) + AddressBytes(address);
    command.push_back(char(data.size()));
    command.append(data);
    return Command(command) && Acknowledged();
}

bool BootSession::Read(uint16_t address, uint8_t length, std::string& data) {
    std::string command = char(kRead) + AddressBytes(address);
    command.push_back(char(length));
    return Command(command) && ReadExact(length, AnswerDeadline(), data);
}

bool BootSession::Quit() {
    return Command(std::string(1, char(kQuit))) && Acknowledged();
}
