#include "app/ConsoleCommands.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include "app/MainForm.h"
#include "app/PortListing.h"
#include "app/SettingsTransfer.h"
#include "app/UpdateLaunch.h"
#include "platform/classes/Application.h"
#include "platform/rtl/StringList.h"

namespace {
constexpr const char* USAGE =
    "usage: voka                             the window\n"
    "       voka ports [--verbose]           the ports, with their devices' details\n"
    "       voka download FILE [--port P]    read the unit's settings into FILE\n"
    "       voka upload FILE [--port P]      send the settings in FILE to the unit\n"
    "       voka update FIRMWARE [--port P]  start the updater with FIRMWARE\n"
    "       voka --version                   the program's version\n"
    "P: COMn or n, default COM1\n";

// Shows what the window's display pair would show: the status label's last text.
class TConsoleDisplay : public TTransferDisplay {
public:
    void SetBarVisible(bool) override {}
    void SetBarPosition(int) override {}
    void SetLabelVisible(bool Visible) override { labelVisible_ = Visible; }
    void SetLabelText(const AnsiString& Text) override { text_ = Trim(Text); }
    AnsiString Status() const { return labelVisible_ ? text_ : AnsiString(); }

private:
    bool labelVisible_ = false;
    AnsiString text_;
};

int Usage() {
    std::fputs(USAGE, stderr);
    return ceUsage;
}

// "COM12", "com12" or "12"; 0 when it is none of these.
uint16_t ParsePort(const std::string& text) {
    std::string digits = text;
    if (digits.size() > 3 && SameText(digits.substr(0, 3), "COM"))
        digits = digits.substr(3);
    int64_t number = 0;
    if (!TryStrToInt64(digits, number) || number < 1 || number > 255)
        return 0;
    return static_cast<uint16_t>(number);
}

int Transfer(const std::string& command, const AnsiString& fileName, uint16_t portNo) {
    // As in the window, port events are handed to this thread and handled only while a
    // command waits for the unit; without an application object they would be handled
    // on the dispatch thread at any moment and could take a reply before it is read.
    TApplication application;
    auto port = CreateSettingsPort();
    port->SetComPortNo(portNo);
    TConsoleDisplay display;
    TSettingsTransfer transfer(*port, display);
    auto chooseFile = [&](const AnsiString&) { return std::optional<AnsiString>(fileName); };

    TTransferResult result;
    try {
        result = command == "upload" ? transfer.Upload(chooseFile) : transfer.Download(chooseFile);
    } catch (const Exception& error) {
        // The open error separates its two parts with a lone carriage return.
        AnsiString text = TrimRight(error.Message);
        for (size_t at = text.find('\r'); at != AnsiString::npos; at = text.find('\r', at))
            text[at] = '\n';
        std::fprintf(stderr, "%s\n", text.c_str());
        return cePortFailed;
    }
    switch (result) {
    case TTransferResult::Done:
        std::printf("%s\n", command == "upload" ? display.Status().c_str() : "Done");
        return ceSuccess;
    case TTransferResult::FileRefused:
        std::fprintf(stderr, "The settings file \"%s\" is missing or shorter than %zu bytes\n",
                     fileName.c_str(), SETTINGS_IMAGE_SIZE);
        return ceUsage;
    case TTransferResult::SaveFailed:
        return ceUsage;
    case TTransferResult::Cancelled:
        return ceUsage;
    default:
        std::printf("%s\n", display.Status().c_str());
        return ceUnitFailed;
    }
}
} // namespace

std::optional<int> RunConsoleCommand(const std::vector<std::string>& Arguments) {
    if (Arguments.empty())
        return std::nullopt;
    const std::string& command = Arguments[0];
    if (command == "--help" || command == "-h") {
        std::fputs(USAGE, stdout);
        return ceSuccess;
    }
    if (command == "--version") {
        if (Arguments.size() != 1)
            return Usage();
        std::puts("voka " VOKA_VERSION);
        return ceSuccess;
    }
    if (command == "ports") {
        const bool verbose = Arguments.size() == 2 && Arguments[1] == "--verbose";
        return Arguments.size() == 1 || verbose ? ListPorts(verbose) : Usage();
    }
    if (command != "download" && command != "upload" && command != "update")
        return Usage();

    std::optional<std::string> file;
    uint16_t portNo = 1;
    for (size_t i = 1; i < Arguments.size(); ++i) {
        if (Arguments[i] == "--port" && i + 1 < Arguments.size()) {
            portNo = ParsePort(Arguments[++i]);
            if (portNo == 0)
                return Usage();
        } else if (!file && Arguments[i].rfind("--", 0) != 0) {
            file = Arguments[i];
        } else {
            return Usage();
        }
    }
    if (!file)
        return Usage();
    if (command == "update") {
        // As the open dialog gives it: a full path.
        return LaunchUpdater(std::filesystem::absolute(*file).string(), portNo) ? ceSuccess
                                                                                : ceUnitFailed;
    }
    return Transfer(command, *file, portNo);
}
