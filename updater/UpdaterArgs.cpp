#include "updater/UpdaterArgs.h"

#include <cctype>
#include <charconv>

const char* const kUpdaterBanner = "Update - For reflashing the software in a Lumivox \n"
                                   "Version 1.0 for Linux, boot-loader protocol 1\n"
                                   "Part of VOKA, the Lumivox configuration utility\n\n";

const char* const kUpdaterUsage = "usage: Update port[:] [speed] file\n\n"
                                  "       port   ... com1: com2: etc. \n"
                                  "       speed  ... speed in bps\n"
                                  "       file   ... S19 file\n\n\n"
                                  "Press any key............";

PortArgument ParsePortArgument(const std::string& text) {
    PortArgument port;
    port.text = text;
    size_t at = 0;
    if (text.size() >= 3 && std::toupper(uint8_t(text[0])) == 'C' &&
        std::toupper(uint8_t(text[1])) == 'O' && std::toupper(uint8_t(text[2])) == 'M')
        at = 3;
    const size_t digits = at;
    unsigned long number = 0;
    while (at < text.size() && std::isdigit(uint8_t(text[at])) && number <= 1000000)
        number = number * 10 + unsigned(text[at++] - '0');
    const std::string rest = text.substr(at);
    const bool usable =
        at > digits && number > 0 && number <= 1000000 && (rest.empty() || rest[0] == ':');
    if (!usable) {
        port.device = text.find('/') != std::string::npos ? "\\\\.\\" + text : text;
        return port;
    }
    port.device = "\\\\.\\COM" + std::to_string(number);
    if (rest.size() <= 1)
        return port;
    const char letter = rest[1];
    switch (std::toupper(uint8_t(letter))) {
    case 'S':
        port.mode = WireMode::SingleWire;
        break;
    case 'D':
        port.mode = WireMode::TwoWire;
        break;
    case '?':
        port.mode = WireMode::Detect;
        break;
    default:
        port.badMode = true;
        port.modeLetter = letter;
        return port;
    }
    if (rest.size() > 2) {
        port.badMode = true;
        port.modeLetter = rest[2];
    }
    return port;
}

bool ParseSpeed(const std::string& text, unsigned& speed) {
    unsigned long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 50 ||
        value > 4000000)
        return false;
    speed = unsigned(value);
    return true;
}

UpdaterArguments ParseUpdaterArguments(const std::vector<std::string>& arguments) {
    UpdaterArguments parsed;
    if (arguments.size() != 2 && arguments.size() != 3) {
        parsed.usage = true;
        return parsed;
    }
    parsed.port = ParsePortArgument(arguments.front());
    if (arguments.size() == 3)
        parsed.speedText = arguments[1];
    parsed.file = arguments.back();
    return parsed;
}
