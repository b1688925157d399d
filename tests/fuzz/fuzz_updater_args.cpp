// Arbitrary command lines for update.exe: the first byte picks the step at which the port
// fails (the firmware file is never reached, so no path the input names is opened), the
// rest are the arguments, split at zero bytes. Whatever they hold is shown as typed, and
// the run ends with the usage or an exit code of the port's.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "updater/Updater.h"
#include "updater/UpdaterArgs.h"

namespace {
class SilentConsole : public UpdaterConsole {
public:
    void Write(std::string_view text) override { output += text; }
    void WaitForKey() override { ++keyWaits; }
    int ReadAnswer() override { return 'y'; }
    std::string output;
    int keyWaits = 0;
};

// A port that refuses the step it is told to, and at the latest its wait mask.
class RefusingPort : public UpdaterPort {
public:
    explicit RefusingPort(int refused) : refused_(refused) {}
    bool Setup(unsigned) override { return refused_ != 1; }
    bool SetTimeouts() override { return refused_ != 2; }
    bool SetWaitMask() override { return false; }
    bool Send(std::string_view) override { return true; }
    std::string Receive(size_t, std::chrono::milliseconds) override { return {}; }
    void DropInput() override {}

private:
    int refused_;
};

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

void CheckParts(const std::vector<std::string>& arguments) {
    const PortArgument port = ParsePortArgument(arguments.front());
    if (port.text != arguments.front())
        __builtin_trap();
    // A COM device carries a number from 1 to 1,000,000, written without leading zeros.
    if (port.device != port.text && port.device.rfind("\\\\.\\COM", 0) == 0 &&
        port.text.find('/') == std::string::npos) {
        const std::string number = port.device.substr(7);
        if (number.empty() || number[0] == '0' || number.size() > 7 ||
            std::stoul(number) > 1000000 || !Has(port.text, number))
            __builtin_trap();
    }
    unsigned speed = 0;
    if (arguments.size() == 3 && ParseSpeed(arguments[1], speed)) {
        for (const char c : arguments[1])
            if (!std::isdigit(static_cast<unsigned char>(c)))
                __builtin_trap();
        if (speed < 50 || speed > 4000000)
            __builtin_trap();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const int refused = data[0] % 3; // 0: the port does not open
    std::vector<std::string> arguments(1);
    for (size_t i = 1; i < size && arguments.size() <= 5; ++i) {
        if (data[i] == 0)
            arguments.emplace_back();
        else
            arguments.back().push_back(char(data[i]));
    }
    SilentConsole console;
    UpdaterEnvironment environment{console,
                                   [refused](const std::string&) -> std::unique_ptr<UpdaterPort> {
                                       if (refused == 0)
                                           return nullptr;
                                       return std::make_unique<RefusingPort>(refused);
                                   },
                                   {}};
    const int code = RunUpdater(arguments, environment);
    const std::string& output = console.output;
    if (output.rfind(kUpdaterBanner, 0) != 0 || console.keyWaits != 1)
        __builtin_trap();
    const bool usage = arguments.size() != 2 && arguments.size() != 3;
    if (usage) {
        if (code != 0 || output != std::string(kUpdaterBanner) + kUpdaterUsage)
            __builtin_trap();
        return 0;
    }
    CheckParts(arguments);
    const std::string pressAnyKey = "\nPress any key............ \n\n";
    if (code != 1 || output.size() < pressAnyKey.size() ||
        output.compare(output.size() - pressAnyKey.size(), pressAnyKey.size(), pressAnyKey) != 0)
        __builtin_trap();
    // The port is named as typed, whatever it holds ('%' included).
    if (!Has(output, "(" + arguments.front()) && !Has(output, "port " + arguments.front()) &&
        !Has(output, "Invalid speed specified (" + arguments[1] + ")\n"))
        __builtin_trap();
    return 0;
}
