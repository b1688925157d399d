#include "updater/Updater.h"

#include <algorithm>
#include <cstdio>

#include "updater/ProgramPlan.h"
#include "updater/UpdaterArgs.h"

namespace {
const char* const kPressAnyKey = "\nPress any key............ \n\n";

// The whole text, however long the arguments in it are.
template <class... Args> std::string Text(const char* format, Args... args) {
    std::string text(size_t(std::max(std::snprintf(nullptr, 0, format, args...), 0)), '\0');
    std::snprintf(text.data(), text.size() + 1, format, args...);
    return text;
}

class Dialogue {
public:
    explicit Dialogue(UpdaterEnvironment& environment) : env_(environment) {}
    int Run(const std::vector<std::string>& arguments);
    int Session(BootLink& link, WireMode mode, const FirmwareImage& image);

private:
    int Program(BootSession& session, const FirmwareImage& image, const McuInfo& info);
    void Say(const std::string& text) { env_.console.Write(text); }

    UpdaterEnvironment& env_;
};

int Dialogue::Run(const std::vector<std::string>& arguments) {
    Say(kUpdaterBanner);
    const UpdaterArguments args = ParseUpdaterArguments(arguments);
    if (args.usage) {
        Say(kUpdaterUsage);
        env_.console.WaitForKey();
        return exitcode::kDone;
    }
    const char* port = args.port.text.c_str();
    const std::unique_ptr<UpdaterPort> link = env_.openPort(args.port.device);
    if (!link) {
        Say(Text("Can't open serial port %s\n", port));
        return exitcode::kPort;
    }
    unsigned speed = 9600;
    if (!args.speedText.empty() && !ParseSpeed(args.speedText, speed)) {
        Say(Text("Invalid speed specified (%s)\n", args.speedText.c_str()));
        return exitcode::kPort;
    }
    if (!link->Setup(speed)) {
        Say(Text("Can't setup serial port (%s @ %s)\n", port, std::to_string(speed).c_str()));
        return exitcode::kPort;
    }
    if (!link->SetTimeouts()) {
        Say(Text("Can't set serial port timeouts (%s)\n", port));
        return exitcode::kPort;
    }
    if (!link->SetWaitMask()) {
        Say(Text("Can't set serial port waitmask (%s)\n", port));
        return exitcode::kPort;
    }
    if (args.port.badMode) {
        Say(Text("Bad serial mode specified: '%c' (use 'S', 'D' or '?' only)\n",
                 args.port.modeLetter));
        return exitcode::kPort;
    }
    FirmwareImage image;
    const SRecordResult read =
        LoadSRecordFile(args.file, image, [this](const std::string& note) { Say(note); });
    if (!read) {
        Say(read.Message(args.file));
        return exitcode::kFile;
    }
    return Session(*link, args.port.mode, image);
}

int Dialogue::Session(BootLink& link, WireMode mode, const FirmwareImage& image) {
    Say("Waiting for Lumivox.... \n");
    Say("Hold the left 2 buttons while powering on \n\n");
    BootSession session(link, mode, env_.timing);
    if (!session.Contact()) {
        Say("No answer from Lumivox.\n");
        return exitcode::kNoContact;
    }
    if (session.DetectedSingleWire())
        Say("RS232 single wire mode detected.\n");
    Say("Lumivox connected\n");
    if (!session.Calibrate()) {
        Say("Can't calibrate Lumivox clock.\n");
        return exitcode::kCalibration;
    }
    McuInfo info;
    if (!session.Identify(info)) {
        Say("Can't read MCU info. Could be protocol error.\n");
        Say("(Or forgot to set single wire mode?)\n");
        return exitcode::kIdentification;
    }
    Say(Text("MCU: %s, SDID 0x%04X, flash %u bytes\n", info.name.c_str(), unsigned(info.sdid),
             unsigned(info.FlashBytes())));
    Say("\nAre you sure to program unit? [y/N]:");
    const int answer = env_.console.ReadAnswer();
    Say("\n");
    if (answer != 'y' && answer != 'Y')
        return exitcode::kNotConfirmed;
    return Program(session, image, info);
}

int Dialogue::Program(BootSession& session, const FirmwareImage& image, const McuInfo& info) {
    const std::vector<EraseStep> plan = PlanProgramming(image, info);
    const size_t total = PlannedBytes(plan);
    if (total == 0) {
        // Nothing of the image fits this unit: wrong file, and nothing was touched.
        Say("The firmware file holds nothing for this unit's flash.\n");
        Say("Program memory failed.\n");
        return exitcode::kProgramming;
    }
    const auto fail = [this](const std::string& message) {
        Say("\n" + message);
        Say("Program memory failed.\n");
        return exitcode::kProgramming;
    };
    size_t written = 0;
    int shown = -1;
    const auto progress = [&] {
        const int percent = int(written * 100 / total);
        if (percent != shown)
            Say(Text("\rProgramming:  %d%%", percent));
        shown = percent;
    };
    progress();
    for (const auto& step : plan) {
        if (!session.Erase(step.address))
            return fail(Text("Can't erase block at address 0x%04X\n", unsigned(step.address)));
        for (const auto& piece : step.pieces) {
            if (!session.Write(piece.address, piece.data))
                return fail(
                    Text("Can't program block at address 0x%04X\n", unsigned(piece.address)));
            written += piece.data.size();
            progress();
        }
    }
    Say("\rProgramming complete:     100%\n");
    for (const auto& step : plan) {
        for (const auto& piece : step.pieces) {
            std::string unit;
            if (!session.Read(piece.address, uint8_t(piece.data.size()), unit)) {
                Say(Text("Can't read block at address 0x%04X\n", unsigned(piece.address)));
                Say("Program memory failed.\n");
                return exitcode::kProgramming;
            }
            for (size_t i = 0; i < unit.size(); ++i) {
                if (unit[i] != piece.data[i]) {
                    Say(Text("\nVerification failed at address 0x%04X, image: [0x%02X], MCU: "
                             "[0x%02X]\n",
                             unsigned(piece.address + i), unsigned(uint8_t(piece.data[i])),
                             unsigned(uint8_t(unit[i]))));
                    Say("Program memory failed.\n");
                    return exitcode::kProgramming;
                }
            }
        }
    }
    Say("\rMemory verified:            OK\n");
    session.Quit();
    return exitcode::kDone;
}
} // namespace

int RunUpdater(const std::vector<std::string>& arguments, UpdaterEnvironment& environment) {
    Dialogue dialogue(environment);
    const int code = dialogue.Run(arguments);
    if (!ParseUpdaterArguments(arguments).usage) {
        environment.console.Write(kPressAnyKey);
        environment.console.WaitForKey();
    }
    return code;
}

int RunUpdaterSession(BootLink& link, WireMode mode, const FirmwareImage& image,
                      UpdaterEnvironment& environment) {
    return Dialogue(environment).Session(link, mode, image);
}
