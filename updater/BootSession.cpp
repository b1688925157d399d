#include "updater/BootSession.h"

#include <algorithm>

#include "updater/BootProtocol.h"

using namespace boot;

namespace {
std::string AddressBytes(uint16_t address) {
    return {char(address >> 8), char(address & 0xFF)};
}
uint16_t Word(const std::string& bytes, size_t at) {
    return uint16_t(uint8_t(bytes[at]) << 8 | uint8_t(bytes[at + 1]));
}
} // namespace

bool BootSession::Contact() {
    if (!AwaitFirstAck())
        return false;
    AwaitQuietLine();
    return true;
}

bool BootSession::AwaitFirstAck() {
    const auto giveUp = link_.Now() + timing_.contactLimit;
    while (link_.Now() < giveUp) {
        if (!link_.Send(std::string(1, char(kWake))))
            return false;
        const auto nextWake = link_.Now() + timing_.wakeInterval;
        bool heardAnything = false;
        bool echoSeen = false;
        while (link_.Now() < nextWake) {
            const std::string bytes = link_.Receive(1, Left(nextWake));
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
            if (byte == kAck)
                return true;
        }
    }
    return false;
}

void BootSession::AwaitQuietLine() {
    // A slow boot loader answers the earlier wake-ups too, late, one wake interval apart
    // (as they were sent). Read as answers to later commands they would shift every
    // answer by one. A quiet stretch of just one interval would end right as the next of
    // them comes, so the line counts as quiet after half an interval more.
    const auto quiet = timing_.wakeInterval + timing_.wakeInterval / 2;
    const auto giveUp = link_.Now() + timing_.quietLimit;
    auto quietAt = link_.Now() + quiet;
    for (;;) {
        const auto until = std::min(quietAt, giveUp);
        if (link_.Now() >= until)
            break;
        if (!link_.Receive(64, Left(until)).empty())
            quietAt = link_.Now() + quiet;
    }
    link_.DropInput();
}

std::chrono::milliseconds BootSession::Left(Deadline deadline) const {
    return std::chrono::ceil<std::chrono::milliseconds>(deadline - link_.Now());
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
        if (link_.Now() >= deadline)
            return false;
        out += link_.Receive(count - out.size(), Left(deadline));
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
