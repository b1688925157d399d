// Arbitrary `voka` command lines (arguments separated by zero bytes): the parser names a
// command or refuses the line, and what it names is complete and says the same again when
// written back as arguments. Nothing is run: no port is opened, no window shown.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/ConsoleCommands.h"

namespace {
std::vector<std::string> Arguments(const uint8_t* data, size_t size) {
    std::vector<std::string> arguments;
    if (size == 0)
        return arguments;
    arguments.emplace_back();
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            arguments.emplace_back();
        else
            arguments.back() += static_cast<char>(data[i]);
    }
    return arguments;
}

const char* CommandName(TConsoleCommandKind kind) {
    switch (kind) {
    case ccDownload:
        return "download";
    case ccUpload:
        return "upload";
    default:
        return "update";
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::optional<TConsoleRequest> request = ParseConsoleCommand(Arguments(data, size));
    if (!request || request->Kind == ccHelp || request->Kind == ccVersion ||
        request->Kind == ccPorts)
        return 0;
    if (request->File.empty() || request->File.rfind("--", 0) == 0 || request->PortNo < 1 ||
        request->PortNo > 255)
        __builtin_trap();
    const std::vector<std::string> again{CommandName(request->Kind), "--port",
                                         "COM" + std::to_string(request->PortNo), request->File};
    if (ParseConsoleCommand(again) != request)
        __builtin_trap();
    return 0;
}
