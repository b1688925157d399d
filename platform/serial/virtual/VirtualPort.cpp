#include "platform/serial/virtual/VirtualPort.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

#include "platform/serial/LineSettings.h"
#include "platform/serial/SerialPlatform.h"

namespace {
constexpr size_t PACED_TRANSMITTER_SIZE = 16;
constexpr const char* DEVICE_PREFIX = "virtual:";

struct LineTable {
    std::mutex lock;
    std::map<AnsiString, std::weak_ptr<VirtualLine>> lines;
};
LineTable& Lines() {
    static auto* table = new LineTable;
    return *table;
}
} // namespace

// The state both ends share. The near end's driver and the remote lock it; the engine's
// waker is called with it held, which is safe because waking only writes an eventfd.
struct VirtualLine {
    std::mutex lock;
    std::condition_variable output; // bytes reached the wire
    AnsiString name;
    bool nearOpen = false;
    bool vanished = false;
    bool pacing = false;
    DCB dcb = DefaultLineSettings();
    std::deque<uint8_t> toNear;
    std::deque<uint8_t> transmitter;
    std::deque<uint8_t> wire;
    SerialClock::time_point nextDeparture{};
    DWORD modemIn = 0;
    bool dtr = false, rts = false, breakOn = false, outputOn = true;
    DWORD pendingErrors = 0;
    DWORD failWrites = 0;
    std::function<void()> wake;
    std::function<std::string(bool dtr, bool rts)> modemResponder;

    SerialClock::duration CharacterTime() const {
        double seconds = BitsPerCharacter(dcb) / std::max<DWORD>(dcb.BaudRate, 1);
        return std::chrono::duration_cast<SerialClock::duration>(
            std::chrono::duration<double>(seconds));
    }
    bool Held() const {
        return !outputOn || (dcb.fOutxCtsFlow && !(modemIn & MS_CTS_ON)) ||
               (dcb.fOutxDsrFlow && !(modemIn & MS_DSR_ON));
    }
    // Moves the bytes whose time has come from the transmitter to the wire.
    void Advance(SerialClock::time_point now) {
        if (!pacing) {
            if (!Held())
                MoveToWire(transmitter.size());
            return;
        }
        if (Held() || transmitter.empty())
            return;
        size_t leaving = 0;
        const auto step = CharacterTime();
        while (leaving < transmitter.size() && nextDeparture <= now) {
            ++leaving;
            nextDeparture += step;
        }
        MoveToWire(leaving);
    }
    void MoveToWire(size_t count) {
        if (count == 0)
            return;
        wire.insert(wire.end(), transmitter.begin(),
                    transmitter.begin() + static_cast<long>(count));
        transmitter.erase(transmitter.begin(), transmitter.begin() + static_cast<long>(count));
        output.notify_all();
    }
    void Wake() {
        if (wake)
            wake();
    }
    // The far end's answer to a change of DTR or RTS arrives at once.
    void AnswerModemOutputs() {
        if (!modemResponder)
            return;
        const std::string answer = modemResponder(dtr, rts);
        if (answer.empty())
            return;
        toNear.insert(toNear.end(), answer.begin(), answer.end());
        Wake();
    }
};

namespace {
class VirtualPortDriver final : public SerialDriver {
public:
    explicit VirtualPortDriver(std::shared_ptr<VirtualLine> line) : line_(std::move(line)) {}
    ~VirtualPortDriver() override { Close(); }

    void SetWaker(std::function<void()> wake) override {
        std::lock_guard guard(line_->lock);
        line_->wake = std::move(wake);
    }

    long ReadSome(uint8_t* buffer, size_t count, DWORD& error) override {
        std::lock_guard guard(line_->lock);
        if (line_->vanished) {
            error = ERROR_BAD_COMMAND;
            return -1;
        }
        size_t n = std::min(count, line_->toNear.size());
        std::copy_n(line_->toNear.begin(), n, buffer);
        line_->toNear.erase(line_->toNear.begin(), line_->toNear.begin() + static_cast<long>(n));
        return static_cast<long>(n);
    }

    long WriteSome(const uint8_t* buffer, size_t count, DWORD& error) override {
        std::lock_guard guard(line_->lock);
        if (line_->vanished || line_->failWrites) {
            error = line_->vanished ? ERROR_BAD_COMMAND : line_->failWrites;
            return -1;
        }
        const auto now = SerialClock::now();
        line_->Advance(now);
        size_t room = line_->pacing ? PACED_TRANSMITTER_SIZE - line_->transmitter.size() : count;
        size_t n = std::min(count, room);
        if (line_->pacing && line_->transmitter.empty() && n > 0)
            line_->nextDeparture = now + line_->CharacterTime();
        line_->transmitter.insert(line_->transmitter.end(), buffer, buffer + n);
        line_->Advance(now);
        return static_cast<long>(n);
    }

    DWORD InQueue() override {
        std::lock_guard guard(line_->lock);
        return static_cast<DWORD>(line_->toNear.size());
    }

    DWORD OutQueue() override {
        std::lock_guard guard(line_->lock);
        line_->Advance(SerialClock::now());
        return static_cast<DWORD>(line_->transmitter.size());
    }

    std::optional<SerialClock::time_point> NextOutputChange() override {
        std::lock_guard guard(line_->lock);
        if (line_->transmitter.empty() || line_->Held())
            return std::nullopt; // a change of the hold wakes the engine
        if (!line_->pacing)
            return SerialClock::now();
        // When the transmitter will be empty: one wake-up per refill, not one per byte.
        return line_->nextDeparture + line_->CharacterTime() * (line_->transmitter.size() - 1);
    }

    bool ApplySettings(const DCB& dcb, DWORD& error) override {
        (void)error;
        std::lock_guard guard(line_->lock);
        line_->Advance(SerialClock::now());
        line_->dcb = dcb;
        return true;
    }

    void ReadSettings(DCB& dcb) override {
        std::lock_guard guard(line_->lock);
        dcb.BaudRate = line_->dcb.BaudRate;
        dcb.ByteSize = line_->dcb.ByteSize;
        dcb.Parity = line_->dcb.Parity;
        dcb.StopBits = line_->dcb.StopBits;
    }

    DWORD ModemStatus() override {
        std::lock_guard guard(line_->lock);
        return line_->modemIn;
    }
    void SetDtr(bool on) override { SetModemOutput(&VirtualLine::dtr, on); }
    void SetRts(bool on) override { SetModemOutput(&VirtualLine::rts, on); }
    void SetBreak(bool on) override { Set(&VirtualLine::breakOn, on); }
    void SetOutputFlow(bool on) override {
        std::lock_guard guard(line_->lock);
        line_->Advance(SerialClock::now());
        line_->outputOn = on;
        if (on && line_->pacing && !line_->transmitter.empty())
            line_->nextDeparture = SerialClock::now() + line_->CharacterTime();
        line_->Advance(SerialClock::now());
    }

    DWORD TakeLineErrors() override {
        std::lock_guard guard(line_->lock);
        return std::exchange(line_->pendingErrors, 0);
    }
    void PurgeInput() override {
        std::lock_guard guard(line_->lock);
        line_->toNear.clear();
    }
    void PurgeOutput() override {
        std::lock_guard guard(line_->lock);
        line_->transmitter.clear();
    }
    void Close() override {
        if (!line_)
            return;
        std::lock_guard guard(line_->lock);
        line_->nearOpen = false;
        line_->wake = nullptr;
    }

private:
    void Set(bool VirtualLine::*field, bool on) {
        std::lock_guard guard(line_->lock);
        (*line_).*field = on;
    }
    void SetModemOutput(bool VirtualLine::*field, bool on) {
        std::lock_guard guard(line_->lock);
        if ((*line_).*field == on)
            return;
        (*line_).*field = on;
        line_->AnswerModemOutputs();
    }
    std::shared_ptr<VirtualLine> line_;
};

// Opens the virtual port listed under devicePath; null with error set when there is none
// (ERROR_FILE_NOT_FOUND) or it is open already (ERROR_ACCESS_DENIED).
std::unique_ptr<SerialDriver> OpenVirtualPortDriver(const AnsiString& devicePath, DWORD& error) {
    std::shared_ptr<VirtualLine> line;
    if (devicePath.rfind(DEVICE_PREFIX, 0) == 0) {
        auto& table = Lines();
        std::lock_guard guard(table.lock);
        auto found =
            table.lines.find(devicePath.substr(std::char_traits<char>::length(DEVICE_PREFIX)));
        if (found != table.lines.end())
            line = found->second.lock();
    }
    if (!line) {
        error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    std::lock_guard guard(line->lock);
    if (line->vanished) {
        error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    if (line->nearOpen) {
        error = ERROR_ACCESS_DENIED;
        return nullptr;
    }
    line->nearOpen = true;
    line->toNear.clear();
    line->transmitter.clear();
    line->pendingErrors = 0;
    return std::make_unique<VirtualPortDriver>(line);
}

// (device path, port name) of every live virtual port.
PortList ListVirtualPorts() {
    std::vector<std::pair<AnsiString, AnsiString>> ports;
    auto& table = Lines();
    std::lock_guard guard(table.lock);
    for (const auto& [name, weak] : table.lines) {
        auto line = weak.lock();
        if (!line)
            continue;
        std::lock_guard lineGuard(line->lock);
        if (!line->vanished)
            ports.emplace_back(DEVICE_PREFIX + name, name);
    }
    return ports;
}

} // namespace

void RegisterVirtualPortDriver() {
    RegisterSerialDriver(DEVICE_PREFIX, &OpenVirtualPortDriver, &ListVirtualPorts);
}

// ---- the far end ----------------------------------------------------------------------

std::shared_ptr<VirtualPortRemote> VirtualPortRemote::Create(const AnsiString& portName) {
    auto line = std::make_shared<VirtualLine>();
    line->name = UpperCase(portName);
    auto& table = Lines();
    std::lock_guard guard(table.lock);
    auto& slot = table.lines[line->name];
    if (!slot.expired())
        throw Exception("The virtual port " + line->name + " exists already");
    slot = line;
    return std::shared_ptr<VirtualPortRemote>(new VirtualPortRemote(line));
}

VirtualPortRemote::VirtualPortRemote(std::shared_ptr<VirtualLine> line) : line_(std::move(line)) {}

VirtualPortRemote::~VirtualPortRemote() {
    Vanish();
    auto& table = Lines();
    std::lock_guard guard(table.lock);
    auto found = table.lines.find(line_->name);
    if (found != table.lines.end() && found->second.lock() == line_)
        table.lines.erase(found);
}

const AnsiString& VirtualPortRemote::PortName() const {
    return line_->name;
}
AnsiString VirtualPortRemote::DevicePath() const {
    return DEVICE_PREFIX + line_->name;
}

void VirtualPortRemote::Inject(std::string_view bytes) {
    std::lock_guard guard(line_->lock);
    line_->toNear.insert(line_->toNear.end(), bytes.begin(), bytes.end());
    line_->Wake();
}

std::string VirtualPortRemote::TakeOutput() {
    std::lock_guard guard(line_->lock);
    line_->Advance(SerialClock::now());
    std::string taken(line_->wire.begin(), line_->wire.end());
    line_->wire.clear();
    return taken;
}

std::string VirtualPortRemote::WaitForOutput(size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(line_->lock);
    const auto end = SerialClock::now() + timeout;
    for (;;) {
        const auto now = SerialClock::now();
        line_->Advance(now);
        if (line_->wire.size() >= count || now >= end)
            break;
        auto until = end;
        if (line_->pacing && !line_->transmitter.empty() && !line_->Held())
            until = std::min(until, line_->nextDeparture);
        line_->output.wait_until(lock, until);
    }
    std::string taken(line_->wire.begin(), line_->wire.end());
    line_->wire.clear();
    return taken;
}

namespace {
void SetModemInput(VirtualLine& line, DWORD bit, bool on) {
    std::lock_guard guard(line.lock);
    line.Advance(SerialClock::now());
    const bool wasHeld = line.Held();
    line.modemIn = on ? (line.modemIn | bit) : (line.modemIn & ~bit);
    if (wasHeld && !line.Held() && line.pacing && !line.transmitter.empty())
        line.nextDeparture = SerialClock::now() + line.CharacterTime();
    line.Advance(SerialClock::now());
    line.Wake();
}
} // namespace

void VirtualPortRemote::SetCts(bool on) {
    SetModemInput(*line_, MS_CTS_ON, on);
}
void VirtualPortRemote::SetDsr(bool on) {
    SetModemInput(*line_, MS_DSR_ON, on);
}
void VirtualPortRemote::SetRing(bool on) {
    SetModemInput(*line_, MS_RING_ON, on);
}
void VirtualPortRemote::SetRlsd(bool on) {
    SetModemInput(*line_, MS_RLSD_ON, on);
}

bool VirtualPortRemote::Dtr() const {
    std::lock_guard guard(line_->lock);
    return line_->dtr;
}
bool VirtualPortRemote::Rts() const {
    std::lock_guard guard(line_->lock);
    return line_->rts;
}
bool VirtualPortRemote::BreakOn() const {
    std::lock_guard guard(line_->lock);
    return line_->breakOn;
}
DCB VirtualPortRemote::LineSettings() const {
    std::lock_guard guard(line_->lock);
    return line_->dcb;
}
bool VirtualPortRemote::NearEndOpen() const {
    std::lock_guard guard(line_->lock);
    return line_->nearOpen;
}

void VirtualPortRemote::AnswerModemOutputs(
    std::function<std::string(bool dtr, bool rts)> responder) {
    std::lock_guard guard(line_->lock);
    line_->modemResponder = std::move(responder);
}

void VirtualPortRemote::InjectLineError(DWORD errors) {
    std::lock_guard guard(line_->lock);
    line_->pendingErrors |= errors;
    line_->Wake();
}
void VirtualPortRemote::InjectBreak() {
    InjectLineError(CE_BREAK);
}

void VirtualPortRemote::SetPacing(bool on) {
    std::lock_guard guard(line_->lock);
    line_->Advance(SerialClock::now());
    line_->pacing = on;
    line_->nextDeparture = SerialClock::now() + line_->CharacterTime();
    line_->Advance(SerialClock::now());
    line_->Wake();
}

void VirtualPortRemote::FailWrites(DWORD errorCode) {
    std::lock_guard guard(line_->lock);
    line_->failWrites = errorCode;
}

void VirtualPortRemote::Vanish() {
    std::lock_guard guard(line_->lock);
    line_->vanished = true;
    line_->Wake();
}
