#include "tools/lumivox-sim/BootLoaderUnit.h"

#include <algorithm>
#include <cstdio>

using namespace bootloader;

namespace {
void PutWord(std::string& out, uint16_t value) {
    out.push_back(char(value >> 8));
    out.push_back(char(value & 0xFF));
}
uint16_t WordAt(std::string_view bytes, size_t at) {
    return uint16_t(uint8_t(bytes[at]) << 8 | uint8_t(bytes[at + 1]));
}
std::string Hex4(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", unsigned(value));
    return text;
}
} // namespace

BootLoaderUnit::BootLoaderUnit(FlashModel& flash, BootFaults faults)
    : flash_(flash), faults_(faults) {}

std::string BootLoaderUnit::Identification(const FlashLayout& layout) {
    std::string answer(1, char(kProtocolVersion));
    PutWord(answer, layout.sdid);
    answer.push_back(char(layout.ranges.size()));
    for (const auto& range : layout.ranges) {
        PutWord(answer, range.first);
        PutWord(answer, range.last);
    }
    PutWord(answer, layout.eraseSize);
    answer.push_back(char(layout.writeSize));
    answer += layout.name.substr(0, kMaxNameLength - 1);
    answer.push_back('\0');
    return answer;
}

std::string BootLoaderUnit::Receive(std::string_view bytes) {
    std::string answer;
    for (char byte : bytes) {
        // On a single-wire line the host hears itself before any answer.
        if (faults_.singleWire)
            answer.push_back(byte);
        Take(uint8_t(byte), answer);
    }
    return answer;
}

UnitEngine::LateAnswer BootLoaderUnit::TakeLateAnswer() {
    LateAnswer late{std::chrono::milliseconds(faults_.lateWakeMs), {}};
    late.bytes.swap(late_);
    return late;
}

void BootLoaderUnit::LineIdle() {
    if (command_.empty())
        return;
    Log("dropped incomplete command after a pause: " + HexBytes(command_));
    command_.clear();
}

size_t BootLoaderUnit::ExpectedLength() const {
    switch (uint8_t(command_[0])) {
    case kCalibrate:
        return 1 + kCalibrationLength;
    case kErase:
        return 3;
    case kWrite:
        return command_.size() < 4 ? 4 : 4 + uint8_t(command_[3]);
    case kRead:
        return 4;
    default:
        return 1;
    }
}

void BootLoaderUnit::Take(uint8_t byte, std::string& answer) {
    if (restarted_)
        return;
    if (command_.empty()) {
        static constexpr uint8_t kCommands[] = {kWake,  kCalibrate, kIdentify, kErase,
                                                kWrite, kRead,      kQuit};
        if (std::find(std::begin(kCommands), std::end(kCommands), byte) == std::end(kCommands)) {
            Log("ignored " + HexBytes(std::string(1, char(byte))));
            return;
        }
    }
    command_.push_back(char(byte));
    if (command_.size() == ExpectedLength())
        Execute(answer);
}

void BootLoaderUnit::Execute(std::string& answer) {
    std::string command;
    command.swap(command_);
    switch (uint8_t(command[0])) {
    case kWake:
        if (faults_.dropWakeAck)
            return;
        Log("received wake-up");
        Reply(faults_.lateWakeMs ? late_ : answer, kAck);
        return;
    case kCalibrate: {
        const bool pattern = std::all_of(command.begin() + 1, command.end(),
                                         [](char c) { return uint8_t(c) == kCalibrationByte; });
        Log(std::string("received calibration") + (pattern ? "" : " with a wrong pattern"));
        Reply(answer, pattern && !faults_.nakCalibration ? kAck : kNak);
        return;
    }
    case kIdentify: {
        Log("received identification request");
        std::string identification = Identification(flash_.Layout());
        if (faults_.badIdentification)
            identification[3] = 9; // more ranges than the protocol allows
        Reply(answer, identification);
        return;
    }
    case kErase: {
        const uint16_t address = WordAt(command, 1);
        const bool done =
            !faults_.nakErase.Hits(address, flash_.Layout().eraseSize) && flash_.Erase(address);
        Log("received erase " + Hex4(address) + (done ? "" : " (refused)"));
        if (done && OnFlashChanged)
            OnFlashChanged();
        Reply(answer, done ? kAck : kNak);
        return;
    }
    case kWrite: {
        const uint16_t address = WordAt(command, 1);
        const std::string data = command.substr(4);
        const bool done =
            !faults_.nakWrite.Hits(address, uint32_t(data.size())) && flash_.Write(address, data);
        Log("received write " + Hex4(address) + " length " + std::to_string(data.size()) +
            (done ? "" : " (refused)"));
        if (done && OnFlashChanged)
            OnFlashChanged();
        Reply(answer, done ? kAck : kNak);
        return;
    }
    case kRead: {
        const uint16_t address = WordAt(command, 1);
        const uint8_t length = uint8_t(command[3]);
        std::string data;
        if (!flash_.Read(address, length, data)) {
            Log("invalid read " + Hex4(address) + " length " + std::to_string(length) +
                " not answered");
            return;
        }
        Log("received read " + Hex4(address) + " length " + std::to_string(length));
        if (faults_.corruptRead.Hits(address, length)) {
            const size_t at =
                faults_.corruptRead.address ? *faults_.corruptRead.address - address : 0;
            data[at] = char(data[at] ^ 0x5A);
            Log("fault: corrupted read-back at " + Hex4(uint16_t(address + at)));
        }
        Reply(answer, data);
        return;
    }
    case kQuit:
        Log("received quit; restarting into the application");
        Reply(answer, kAck);
        restarted_ = true;
        return;
    }
}

void BootLoaderUnit::Reply(std::string& answer, std::string_view bytes) {
    if (!faults_.silent)
        answer.append(bytes);
}
