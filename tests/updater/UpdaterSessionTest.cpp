// The whole updater dialogue against the simulated boot loader, in-process.
#include <gtest/gtest.h>

#include <deque>

#include "tests/support/TempDir.h"
#include "tools/lumivox-sim/BootLoaderUnit.h"
#include "tools/lumivox-sim/FirmwareImage.h"
#include "tools/lumivox-sim/LineServer.h"
#include "updater/SRecordReader.h"
#include "updater/Updater.h"

namespace {
// The unit on a line whose time is the test's own: nothing really waits, bytes take their
// time on the wire at the speed set, and the unit's late answers come when they are due.
class LoopbackPort : public UpdaterPort {
public:
    using Time = std::chrono::steady_clock::time_point;
    LoopbackPort(UnitEngine& unit, unsigned& speed) : speed_(speed), unit_(unit) {}
    bool Setup(unsigned speed) override {
        speed_ = speed;
        return true;
    }
    bool SetTimeouts() override { return true; }
    bool SetWaitMask() override { return true; }
    Time Now() const override { return now_; }
    bool Send(std::string_view bytes) override {
        now_ += std::chrono::duration_cast<std::chrono::nanoseconds>(bytes.size() *
                                                                     LineTiming{speed_}.ByteTime());
        Arrive(now_, unit_.Receive(bytes));
        UnitEngine::LateAnswer late = unit_.TakeLateAnswer();
        Arrive(now_ + late.delay, std::move(late.bytes));
        return true;
    }
    std::string Receive(size_t max, std::chrono::milliseconds wait) override {
        const Time until = now_ + wait;
        if (inbox_.empty() || inbox_.front().first > until) {
            now_ = until;
            return {};
        }
        now_ = std::max(now_, inbox_.front().first);
        std::string& waiting = inbox_.front().second;
        const std::string bytes = waiting.substr(0, max);
        waiting.erase(0, bytes.size());
        if (waiting.empty())
            inbox_.pop_front();
        return bytes;
    }
    void DropInput() override {
        while (!inbox_.empty() && inbox_.front().first <= now_)
            inbox_.pop_front();
    }

    unsigned& speed_;

private:
    void Arrive(Time at, std::string bytes) {
        if (bytes.empty())
            return;
        const auto later =
            std::upper_bound(inbox_.begin(), inbox_.end(), at,
                             [](Time t, const auto& entry) { return t < entry.first; });
        inbox_.insert(later, {at, std::move(bytes)});
    }

    UnitEngine& unit_;
    std::deque<std::pair<Time, std::string>> inbox_;
    Time now_{};
};

class ScriptedConsole : public UpdaterConsole {
public:
    explicit ScriptedConsole(int answer) : answer_(answer) {}
    void Write(std::string_view text) override { output += text; }
    void WaitForKey() override { ++keyWaits; }
    int ReadAnswer() override { return answer_; }
    std::string output;
    int keyWaits = 0;

private:
    int answer_;
};

struct UpdaterSession : ::testing::Test {
    TempDir dir;
    FlashModel flash{FlashLayout::Default()};
    BootFaults faults;
    unsigned speed = 0;
    std::string firmware = dir / "KZRA503.s19";

    void SetUp() override { WriteFileBytes(firmware, MakeDefaultFirmware(flash.Layout())); }

    std::pair<int, std::string> Run(std::vector<std::string> arguments, int answer = 'y') {
        BootLoaderUnit unit(flash, faults);
        ScriptedConsole console(answer);
        UpdaterEnvironment environment{
            console,
            [&](const std::string& device) -> std::unique_ptr<UpdaterPort> {
                if (device != "\\\\.\\COM2")
                    return nullptr;
                return std::make_unique<LoopbackPort>(unit, speed);
            },
            {}};
        const int code = RunUpdater(arguments, environment);
        EXPECT_EQ(console.keyWaits, 1);
        return {code, console.output};
    }
    bool FlashHoldsImage() {
        FirmwareImage image;
        EXPECT_TRUE(LoadSRecordFile(firmware, image, nullptr));
        for (uint32_t a = 0; a < FirmwareImage::kSpace; ++a)
            if (image.defined[a] && flash.At(a) != image.bytes[a])
                return false;
        return true;
    }
    bool FlashBlank() {
        return std::all_of(flash.Bytes().begin(), flash.Bytes().end(),
                           [](uint8_t b) { return b == 0xFF; });
    }
};

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}
} // namespace

TEST_F(UpdaterSession, ProgramsAndVerifiesTheImage) {
    const auto [code, output] = Run({"COM2", firmware});
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(FlashHoldsImage());
    EXPECT_EQ(speed, 9600u);
    const std::string expected =
        "Waiting for Lumivox.... \nHold the left 2 buttons while powering on \n\n"
        "Lumivox connected\nMCU: MC9S08 LV-503, SDID 0x0017, flash 34816 bytes\n"
        "\nAre you sure to program unit? [y/N]:\n\rProgramming:  0%";
    EXPECT_TRUE(Has(output, expected)) << output;
    EXPECT_TRUE(Has(output, "\rProgramming:  100%\rProgramming complete:     100%\n"
                            "\rMemory verified:            OK\n\nPress any key............ \n\n"))
        << output;
    EXPECT_EQ(output.rfind(kUpdaterBanner, 0), 0u);
}

TEST_F(UpdaterSession, AnythingButYesWritesNothing) {
    const auto [code, output] = Run({"com2", firmware}, 'n');
    EXPECT_EQ(code & 0xFF, 255);
    EXPECT_TRUE(FlashBlank());
    EXPECT_FALSE(Has(output, "Programming"));
}

TEST_F(UpdaterSession, SingleWireByLetterAndByDetection) {
    faults.singleWire = true;
    auto [code, output] = Run({"COM2:S", "115200", firmware});
    EXPECT_EQ(code, 0) << output;
    EXPECT_EQ(speed, 115200u);
    EXPECT_FALSE(Has(output, "detected"));
    EXPECT_TRUE(FlashHoldsImage());

    flash = FlashModel(FlashLayout::Default());
    std::tie(code, output) = Run({"COM2:?", firmware});
    EXPECT_EQ(code, 0) << output;
    EXPECT_TRUE(Has(output, "RS232 single wire mode detected.\nLumivox connected\n")) << output;

    // A single-wire line driven as two-wire: the echo takes the place of the answers.
    std::tie(code, output) = Run({"COM2", firmware});
    EXPECT_EQ(code, 4) << output;
}

TEST_F(UpdaterSession, ABootLoaderAnsweringItsWakeUpsLateIsWaitedFor) {
    // Its late answers to the earlier wake-ups must not be taken for answers to commands.
    for (const unsigned late : {150u, 450u}) {
        for (const bool singleWire : {false, true}) {
            flash = FlashModel(FlashLayout::Default());
            faults.lateWakeMs = late;
            faults.singleWire = singleWire;
            const auto [code, output] = Run({singleWire ? "COM2:?" : "COM2", firmware});
            EXPECT_EQ(code, 0) << late << " " << singleWire << output;
            EXPECT_TRUE(FlashHoldsImage()) << late << " " << singleWire;
        }
    }
}

TEST_F(UpdaterSession, EachFailureHasItsTextAndCode) {
    struct Case {
        std::function<void(BootFaults&)> fault;
        int code;
        std::string text;
    };
    const std::vector<Case> cases = {
        {[](BootFaults& f) { f.silent = true; }, 3, "No answer from Lumivox.\n"},
        {[](BootFaults& f) { f.nakCalibration = true; }, 4, "Can't calibrate Lumivox clock.\n"},
        {[](BootFaults& f) { f.badIdentification = true; }, 5,
         "Can't read MCU info. Could be protocol error.\n(Or forgot to set single wire mode?)\n"},
        {[](BootFaults& f) {
             f.nakErase = {true, 0x8200};
         },
         8, "\nCan't erase block at address 0x8200\nProgram memory failed.\n"},
        {[](BootFaults& f) {
             f.nakWrite = {true, 0x8045};
         },
         8, "\nCan't program block at address 0x8040\nProgram memory failed.\n"},
        {[](BootFaults& f) {
             f.corruptRead = {true, 0x8123};
         },
         8, "\nVerification failed at address 0x8123, image: [0x"},
    };
    for (const auto& c : cases) {
        flash = FlashModel(FlashLayout::Default());
        faults = {};
        c.fault(faults);
        const auto [code, output] = Run({"COM2", firmware});
        EXPECT_EQ(code, c.code) << output;
        EXPECT_TRUE(Has(output, c.text)) << output;
        EXPECT_TRUE(Has(output, "\nPress any key............ \n\n")) << output;
    }
}

TEST_F(UpdaterSession, ArgumentPortAndFileErrors) {
    auto [code, output] = Run({"COM2"});
    EXPECT_EQ(code, 0);
    EXPECT_EQ(output, std::string(kUpdaterBanner) + kUpdaterUsage);

    std::tie(code, output) = Run({"COM5", firmware});
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(Has(output, "Can't open serial port COM5\n"));
    std::tie(code, output) = Run({"COM2", "fast", firmware});
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(Has(output, "Invalid speed specified (fast)\n"));
    std::tie(code, output) = Run({"COM2:Z", firmware});
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(Has(output, "Bad serial mode specified: 'Z' (use 'S', 'D' or '?' only)\n"));
    std::tie(code, output) = Run({"COM2", dir / "missing.s19"});
    EXPECT_EQ(code, 2);
    EXPECT_TRUE(Has(output, "Can't open input file " + (dir / "missing.s19") + "\n"));
    // Not a regular file: refused before the unit hears anything.
    std::tie(code, output) = Run({"COM2", dir.Path().string()});
    EXPECT_EQ(code, 2);
    EXPECT_TRUE(Has(output, "Can't open input file " + dir.Path().string() + "\n")) << output;
    EXPECT_FALSE(Has(output, "Waiting for Lumivox"));
    WriteFileBytes(dir / "bad.s19", "S0030000FC\nS1050000zz\n");
    std::tie(code, output) = Run({"COM2", dir / "bad.s19"});
    EXPECT_EQ(code, 2);
    EXPECT_TRUE(Has(output, "S-record data parse error at line 2\n"));
}

TEST_F(UpdaterSession, AnImageForOtherFlashIsNotReportedAsProgrammed) {
    WriteFileBytes(firmware, SRecordLine('1', 0x2000, "elsewhere") + "\n");
    const auto [code, output] = Run({"COM2", firmware});
    EXPECT_EQ(code, 8);
    EXPECT_FALSE(Has(output, "Memory verified"));
    EXPECT_TRUE(FlashBlank());
}

TEST_F(UpdaterSession, ImageBytesInTheBootLoaderBlockStopAtItsErase) {
    WriteFileBytes(firmware, SRecordLine('1', 0xFFFE, "\x80\x00") + "\n");
    const auto [code, output] = Run({"COM2", firmware});
    EXPECT_EQ(code, 8);
    EXPECT_TRUE(Has(output, "Can't erase block at address 0xFE00\n")) << output;
}
