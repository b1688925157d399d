// Arbitrary boot-loader answers to the whole session, from contact to verify. The line is
// a script whose time passes only as the script says, so no real time goes by. The first
// byte picks the wire mode, whether the line echoes what is sent, and the technician's
// answer; then each control byte says what comes next:
//   0          nothing within the wait
//   1 to 127   that many of the following bytes arrive at once
//   128 to 255 the line stays quiet for (byte - 128) * 10 ms, then the next control byte
// Whatever the answers, the updater writes nothing but image bytes, writes only after a
// yes, and says "verified" and sends Quit exactly when it ends with exit code 0.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "updater/BootProtocol.h"
#include "updater/Updater.h"

namespace {
using namespace std::chrono_literals;
using Time = std::chrono::steady_clock::time_point;

class ScriptedLine : public BootLink {
public:
    ScriptedLine(const uint8_t* data, size_t size, bool echo)
        : data_(data), size_(size), echo_(echo) {}

    bool Send(std::string_view bytes) override {
        sent.emplace_back(bytes);
        if (echo_)
            echoes_ += bytes;
        return true;
    }
    std::string Receive(size_t max, std::chrono::milliseconds wait) override {
        if (!echoes_.empty()) {
            const std::string bytes = echoes_.substr(0, max);
            echoes_.erase(0, bytes.size());
            return bytes;
        }
        for (;;) {
            if (arriving_ > 0) {
                const size_t count = std::min({max, arriving_, size_ - at_});
                std::string bytes(reinterpret_cast<const char*>(data_ + at_), count);
                at_ += count;
                arriving_ = count == 0 ? 0 : arriving_ - count;
                if (!bytes.empty())
                    return bytes;
                continue;
            }
            if (quiet_ > 0ms) {
                const auto passed = std::min(quiet_, wait);
                quiet_ -= passed;
                now_ += passed;
                wait -= passed;
                if (wait <= 0ms)
                    return {};
                continue;
            }
            if (at_ >= size_) {
                now_ += wait;
                return {};
            }
            const uint8_t control = data_[at_++];
            if (control == 0) {
                now_ += wait;
                return {};
            }
            if (control & 0x80)
                quiet_ = (control & 0x7F) * 10ms;
            else
                arriving_ = control;
        }
    }
    void DropInput() override {
        echoes_.clear();
        at_ += std::min(arriving_, size_ - at_);
        arriving_ = 0;
    }
    Time Now() const override { return now_; }

    std::vector<std::string> sent;

private:
    const uint8_t* data_;
    size_t size_;
    bool echo_;
    size_t at_ = 0;
    size_t arriving_ = 0;
    std::chrono::milliseconds quiet_{0};
    std::string echoes_;
    Time now_{};
};

class ScriptedConsole : public UpdaterConsole {
public:
    explicit ScriptedConsole(int answer) : answer_(answer) {}
    void Write(std::string_view text) override { output += text; }
    void WaitForKey() override {}
    int ReadAnswer() override { return answer_; }
    std::string output;

private:
    int answer_;
};

// A small image: a piece that crosses a write block, and a byte far away.
const FirmwareImage& Image() {
    static const FirmwareImage image = [] {
        FirmwareImage made;
        for (uint32_t a = 0x8000; a < 0x800A; ++a)
            made.Set(a, uint8_t(0xA0 + a - 0x8000));
        made.Set(0x1000, 0x42);
        return made;
    }();
    return image;
}

bool OnlyImageBytes(const std::string& write) {
    if (write.size() < 4)
        return false;
    const uint32_t address = uint8_t(write[1]) << 8 | uint8_t(write[2]);
    const size_t length = uint8_t(write[3]);
    if (length == 0 || write.size() != 4 + length || address + length > FirmwareImage::kSpace)
        return false;
    for (size_t i = 0; i < length; ++i)
        if (!Image().defined[address + i] || Image().bytes[address + i] != uint8_t(write[4 + i]))
            return false;
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const WireMode modes[] = {WireMode::TwoWire, WireMode::SingleWire, WireMode::Detect};
    const WireMode mode = modes[data[0] % 3];
    const bool echo = data[0] & 0x04;
    const bool yes = !(data[0] & 0x08);
    ScriptedLine line(data + 1, size - 1, echo);
    ScriptedConsole console(yes ? 'y' : 'n');
    UpdaterEnvironment environment{console, nullptr, {}};
    const int code = RunUpdaterSession(line, mode, Image(), environment);

    static const int kCodes[] = {0, 3, 4, 5, 8, -1};
    if (std::find(std::begin(kCodes), std::end(kCodes), code) == std::end(kCodes))
        __builtin_trap();
    const bool verified =
        console.output.find("Memory verified:            OK\n") != std::string::npos;
    const bool quit = !line.sent.empty() && line.sent.back() == std::string(1, char(boot::kQuit));
    if (verified != (code == 0) || quit != (code == 0))
        __builtin_trap();
    for (size_t i = 0; i < line.sent.size(); ++i) {
        const std::string& command = line.sent[i];
        const uint8_t kind = uint8_t(command[0]);
        if ((kind == boot::kErase || kind == boot::kWrite) && !yes)
            __builtin_trap();
        if (kind == boot::kWrite && !OnlyImageBytes(command))
            __builtin_trap();
        if (kind == boot::kQuit && i + 1 != line.sent.size())
            __builtin_trap();
    }
    return 0;
}
