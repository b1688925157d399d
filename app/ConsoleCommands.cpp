#include "app/ConsoleCommands.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <new>

#include "app/MainForm.h"
#include "app/PortListing.h"
#include "app/SettingsTransfer.h"
#include "app/UpdateLaunch.h"
#include "platform/classes/Application.h"
#include "platform/rtl/StringList.h"
#include "platform/serial/DeviceAccess.h"
#include "platform/win32/WinError.h"

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

// An error that ends a command: its text on stderr, the open error's two parts (which it
// separates with a lone carriage return) on lines of their own.
int Report(const AnsiString& message, int status) {
    AnsiString text = TrimRight(message);
    for (size_t at = text.find('\r'); at != AnsiString::npos; at = text.find('\r', at))
        text[at] = '\n';
    std::fprintf(stderr, "%s\n", text.c_str());
    return status;
}

// When the port's device refuses the user by its permissions, the line that says which
// node it is, which group may open it and how to join that group.
void ReportDeniedDevice(uint16_t portNo) {
    const std::optional<DeniedDevice> denied = DeniedPortDevice("COM" + std::to_string(portNo));
    if (!denied)
        return;
    std::fprintf(stderr,
                 "%s may be opened by members of the group \"%s\" only: join it with "
                 "\"sudo usermod -aG %s $USER\", then log in again.\n",
                 denied->node.c_str(), denied->group.c_str(), denied->group.c_str());
}

int Ports(bool verbose) {
    try {
        return ListPorts(verbose);
    } catch (const Exception& error) {
        return Report("The ports cannot be listed: " + error.Message, cePortFailed);
    }
}

int Transfer(TConsoleCommandKind kind, const AnsiString& fileName, uint16_t portNo) {
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
        result = kind == ccUpload ? transfer.Upload(chooseFile) : transfer.Download(chooseFile);
    } catch (const Exception& error) {
        Report(error.Message, cePortFailed);
        ReportDeniedDevice(portNo);
        return cePortFailed;
    }
    switch (result) {
    case TTransferResult::Done:
        std::printf("%s\n", kind == ccUpload ? display.Status().c_str() : "Done");
        return ceSuccess;
    case TTransferResult::FileRefused:
        std::fprintf(stderr,
                     "The settings file \"%s\" is missing, unreadable or shorter than %zu bytes\n",
                     fileName.c_str(), SETTINGS_IMAGE_SIZE);
        return ceUsage;
    case TTransferResult::SaveFailed: // the save error is on stderr already
    case TTransferResult::Cancelled:
        return ceUsage;
    default:
        std::printf("%s\n", display.Status().c_str());
        return ceUnitFailed;
    }
}

int Update(const AnsiString& firmware, uint16_t portNo) {
    // As the open dialog gives it: a full path.
    const AnsiString path = std::filesystem::absolute(std::filesystem::path(firmware)).string();
    if (LaunchUpdater(path, portNo))
        return ceSuccess;
    std::fprintf(stderr, "The updater cannot be started: %s\n",
                 UpdaterFailureReason(path, GetLastError()).c_str());
    return ceUnitFailed;
}

int Run(const TConsoleRequest& request) {
    switch (request.Kind) {
    case ccHelp:
        std::fputs(USAGE, stdout);
        return ceSuccess;
    case ccVersion:
        std::puts("voka " VOKA_VERSION);
        return ceSuccess;
    case ccPorts:
        return Ports(request.Verbose);
    case ccUpdate:
        return Update(request.File, request.PortNo);
    default:
        return Transfer(request.Kind, request.File, request.PortNo);
    }
}
} // namespace

std::optional<TConsoleRequest> ParseConsoleCommand(const std::vector<std::string>& Arguments) {
    if (Arguments.empty())
        return std::nullopt;
    const std::string& command = Arguments[0];
    TConsoleRequest request;
    if (command == "--help" || command == "-h") {
        request.Kind = ccHelp;
        return request;
    }
    if (command == "--version") {
        request.Kind = ccVersion;
        return Arguments.size() == 1 ? std::optional(request) : std::nullopt;
    }
    if (command == "ports") {
        request.Kind = ccPorts;
        request.Verbose = Arguments.size() == 2 && Arguments[1] == "--verbose";
        return Arguments.size() == 1 || request.Verbose ? std::optional(request) : std::nullopt;
    }
    if (command == "download")
        request.Kind = ccDownload;
    else if (command == "upload")
        request.Kind = ccUpload;
    else if (command == "update")
        request.Kind = ccUpdate;
    else
        return std::nullopt;
    std::optional<std::string> file;
    for (size_t i = 1; i < Arguments.size(); ++i) {
        if (Arguments[i] == "--port" && i + 1 < Arguments.size()) {
            request.PortNo = ParsePort(Arguments[++i]);
            if (request.PortNo == 0)
                return std::nullopt;
        } else if (!file && !Arguments[i].empty() && Arguments[i].rfind("--", 0) != 0) {
            file = Arguments[i];
        } else {
            return std::nullopt;
        }
    }
    if (!file)
        return std::nullopt;
    request.File = *file;
    return request;
}

std::optional<int> RunConsoleCommand(const std::vector<std::string>& Arguments) {
    if (Arguments.empty())
        return std::nullopt;
    const std::optional<TConsoleRequest> request = ParseConsoleCommand(Arguments);
    if (!request)
        return Usage();
    // What a command does not handle itself ends it with its failure status: the port
    // commands' for errors of the port and the port list, the update's otherwise.
    const int failed = request->Kind == ccUpdate ? ceUnitFailed : cePortFailed;
    try {
        return Run(*request);
    } catch (const Exception& error) {
        return Report(error.Message, failed);
    } catch (const std::bad_alloc&) {
        return Report("Out of memory", failed);
    } catch (const std::exception& error) {
        return Report(error.what(), failed);
    }
}
