// Whether Qt can show a window here, and a clean end when its start fails.
#include "platform/ui/ToolkitStart.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/ui/UserInterface.h"

namespace {
const char* startFailureHint = nullptr;
QtMessageHandler previousHandler = nullptr;

void EndOnStartFailure(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        if (previousHandler)
            previousHandler(type, context, text);
        else
            std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
        return;
    }
    std::fprintf(stderr, "%s\n", qPrintable(text));
    if (startFailureHint)
        std::fputs(startFailureHint, stderr);
    std::fflush(stderr);
    // Half-made toolkit objects must not run their destructors.
    std::_Exit(1);
}

bool IsSet(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value;
}

// The plugins named by QT_QPA_PLATFORM ("wayland;xcb", "offscreen:size=800x600"), in order.
std::vector<std::string_view> ChosenPlugins() {
    std::vector<std::string_view> plugins;
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    std::string_view list = chosen ? chosen : "";
    while (!list.empty()) {
        const size_t end = std::min(list.find(';'), list.size());
        const std::string_view entry = list.substr(0, end);
        if (const std::string_view name = entry.substr(0, entry.find(':')); !name.empty())
            plugins.push_back(name);
        list.remove_prefix(std::min(end + 1, list.size()));
    }
    return plugins;
}
} // namespace

TToolkitStartGuard::TToolkitStartGuard(const char* failureHint) {
    startFailureHint = failureHint;
    previousHandler = qInstallMessageHandler(EndOnStartFailure);
}

TToolkitStartGuard::~TToolkitStartGuard() {
    qInstallMessageHandler(previousHandler);
    previousHandler = nullptr;
    startFailureHint = nullptr;
}

AnsiString MissingDisplay() {
    const bool x = IsSet("DISPLAY");
    const bool wayland = IsSet("WAYLAND_DISPLAY");
    const std::vector<std::string_view> plugins = ChosenPlugins();
    if (plugins.empty()) // Qt's own choice, X or Wayland, whichever is there
        return x || wayland ? AnsiString() : "neither DISPLAY nor WAYLAND_DISPLAY is set";
    AnsiString missing;
    for (std::string_view plugin : plugins) {
        if (plugin == "xcb" && !x)
            missing = "DISPLAY is not set";
        else if (plugin.substr(0, 7) == "wayland" && !wayland)
            missing = "WAYLAND_DISPLAY is not set";
        else
            return AnsiString(); // this one can start
    }
    return plugins.size() == 1 ? missing : "neither DISPLAY nor WAYLAND_DISPLAY is set";
}
