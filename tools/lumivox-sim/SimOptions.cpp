#include "tools/lumivox-sim/SimOptions.h"

#include <charconv>
#include <functional>
#include <map>

const char* const kSimUsage =
    "usage: lumivox-sim [options] [--run COMMAND [ARGUMENT...]]\n"
    "A Lumivox unit on a pseudo-terminal.\n"
    "  --print-port          print the device path of the unit's line\n"
    "  --run COMMAND...      run COMMAND with VOKA_PORTS naming the line, exit with its status\n"
    "  --com N               the COM number given to COMMAND (default 1)\n"
    "  --settings FILE       keep the 768-byte settings image in FILE\n"
    "  --boot                be in the boot loader (firmware reflash)\n"
    "  --flash FILE          keep the boot loader's 64 KiB flash in FILE\n"
    "  --speed BPS           line speed for --pace (default 19200, boot 9600)\n"
    "  --pace                move bytes both ways at the real line speed\n"
    "  --delay MS            wait before each answer\n"
    "  --log FILE            log what was received to FILE instead of standard error\n"
    "  --silent              answer nothing\n"
    "  --pnp ID              be a plug-and-play device: send \"(ID)\" when DTR and RTS rise\n"
    "                        (needs a line with modem signals, such as the virtual port)\n"
    "settings faults:\n"
    "  --stop-after K        go silent after block K\n"
    "  --bad-checksum K      wrong checksum in the reply for block K\n"
    "  --no-ack K            no acknowledgement for a write of block K\n"
    "  --stray N             N extra bytes after every answer\n"
    "boot faults:\n"
    "  --single-wire         echo every byte received, as a single-wire line does\n"
    "  --nak-calibration     refuse the clock calibration\n"
    "  --bad-ident           send a malformed identification\n"
    "  --nak-erase[=ADDR]    refuse erasing (the block holding ADDR, else every block)\n"
    "  --nak-write[=ADDR]    refuse writing (the piece holding ADDR, else every piece)\n"
    "  --corrupt-read[=ADDR] change a byte read back (at ADDR, else the first of each read)\n"
    "  --no-wake             ignore wake-ups\n"
    "  --late-wake[=MS]      answer every wake-up MS late (default 150)\n";

namespace {
bool ParseNumber(const std::string& text, unsigned long& value, int base = 10) {
    std::string_view digits = text;
    if (base == 16 && (digits.starts_with("0x") || digits.starts_with("0X")))
        digits.remove_prefix(2);
    if (digits.empty())
        return false;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    return error == std::errc() && end == digits.data() + digits.size();
}
} // namespace

std::string ParseSimOptions(const std::vector<std::string>& arguments, SimOptions& options) {
    using Handler = std::function<std::string(const std::string*)>;
    const auto number = [](unsigned long low, unsigned long high, auto assign) {
        return Handler([=](const std::string* value) -> std::string {
            unsigned long n = 0;
            if (!ParseNumber(*value, n) || n < low || n > high)
                return "bad number '" + *value + "'";
            assign(n);
            return {};
        });
    };
    const auto flag = [](bool& target) {
        return Handler([&target](const std::string*) -> std::string {
            target = true;
            return {};
        });
    };
    const auto text = [](std::string& target) {
        return Handler([&target](const std::string* value) -> std::string {
            target = *value;
            return {};
        });
    };
    const auto address = [](AddressFault& fault) {
        return Handler([&fault](const std::string* value) -> std::string {
            fault.active = true;
            if (!value)
                return {};
            unsigned long n = 0;
            if (!ParseNumber(*value, n, 16) || n > 0xFFFF)
                return "bad address '" + *value + "'";
            fault.address = uint16_t(n);
            return {};
        });
    };
    auto& settings = options.settingsFaults;
    auto& boot = options.bootFaults;
    struct Option {
        enum { kNone, kRequired, kOptional } value;
        Handler handler;
    };
    const std::map<std::string, Option> table = {
        {"--help", {Option::kNone, flag(options.help)}},
        {"--print-port", {Option::kNone, flag(options.printPort)}},
        {"--boot", {Option::kNone, flag(options.boot)}},
        {"--pace", {Option::kNone, flag(options.pace)}},
        {"--com", {Option::kRequired, number(1, 255, [&](auto n) { options.comNumber = int(n); })}},
        {"--settings", {Option::kRequired, text(options.settingsFile)}},
        {"--flash", {Option::kRequired, text(options.flashFile)}},
        {"--log", {Option::kRequired, text(options.logFile)}},
        {"--pnp", {Option::kRequired, text(options.pnpIdentification)}},
        {"--speed",
         {Option::kRequired, number(50, 4000000, [&](auto n) { options.speed = unsigned(n); })}},
        {"--delay",
         {Option::kRequired, number(0, 60000, [&](auto n) { options.delayMs = unsigned(n); })}},
        {"--silent", {Option::kNone, Handler([&](const std::string*) -> std::string {
                          settings.silent = boot.silent = true;
                          return {};
                      })}},
        {"--stop-after",
         {Option::kRequired, number(0, 2, [&](auto n) { settings.stopAfterBlock = int(n); })}},
        {"--bad-checksum",
         {Option::kRequired, number(0, 2, [&](auto n) { settings.badChecksumBlock = int(n); })}},
        {"--no-ack",
         {Option::kRequired, number(0, 2, [&](auto n) { settings.noAckBlock = int(n); })}},
        {"--stray",
         {Option::kRequired, number(0, 64, [&](auto n) { settings.strayBytes = int(n); })}},
        {"--single-wire", {Option::kNone, flag(boot.singleWire)}},
        {"--nak-calibration", {Option::kNone, flag(boot.nakCalibration)}},
        {"--bad-ident", {Option::kNone, flag(boot.badIdentification)}},
        {"--no-wake", {Option::kNone, flag(boot.dropWakeAck)}},
        {"--late-wake", {Option::kOptional, Handler([&](const std::string* value) {
                             boot.lateWakeMs = 150;
                             const auto delay = [&](auto n) { boot.lateWakeMs = unsigned(n); };
                             return value ? number(1, 60000, delay)(value) : std::string();
                         })}},
        {"--nak-erase", {Option::kOptional, address(boot.nakErase)}},
        {"--nak-write", {Option::kOptional, address(boot.nakWrite)}},
        {"--corrupt-read", {Option::kOptional, address(boot.corruptRead)}},
    };
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--run") {
            options.command.assign(arguments.begin() + long(i) + 1, arguments.end());
            if (options.command.empty())
                return "--run needs a command";
            break;
        }
        const size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        const auto found = table.find(name);
        if (found == table.end())
            return "unknown option '" + argument + "'";
        const Option& option = found->second;
        std::string error;
        if (equals != std::string::npos) {
            if (option.value == Option::kNone)
                return "option '" + name + "' takes no value";
            const std::string value = argument.substr(equals + 1);
            error = option.handler(&value);
        } else if (option.value == Option::kRequired) {
            if (i + 1 >= arguments.size())
                return "option '" + name + "' needs a value";
            error = option.handler(&arguments[++i]);
        } else {
            error = option.handler(nullptr);
        }
        if (!error.empty())
            return name + ": " + error;
    }
    return {};
}
