// The user's shell folders in the registry, taken from the XDG user folders.
#include <cstdlib>
#include <fstream>
#include <map>

#include "platform/win32/Folders.h"
#include "platform/win32/Registry.h"

namespace {
AnsiString Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? AnsiString(value) : AnsiString();
}

AnsiString ConfigHome() {
    AnsiString config = Environment("XDG_CONFIG_HOME");
    return config.empty() ? Environment("HOME") + "/.config" : config;
}

// XDG_xxx_DIR="$HOME/Name" or an absolute path, as xdg-user-dirs writes them.
std::map<AnsiString, AnsiString> ReadUserDirs(const AnsiString& home) {
    std::map<AnsiString, AnsiString> dirs;
    std::ifstream file(ConfigHome() + "/user-dirs.dirs");
    AnsiString line;
    while (std::getline(file, line)) {
        line = Trim(line);
        size_t equals = line.find('=');
        if (line.empty() || line[0] == '#' || equals == AnsiString::npos)
            continue;
        AnsiString key = line.substr(0, equals);
        AnsiString value = line.substr(equals + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0)
            value = home + value.substr(5);
        else if (value.empty() || value[0] != '/')
            continue;
        while (value.size() > 1 && value.back() == '/')
            value.pop_back();
        dirs[key] = value;
    }
    return dirs;
}

AnsiString UserDir(const std::map<AnsiString, AnsiString>& dirs, const char* key,
                   const AnsiString& fallback) {
    auto found = dirs.find(key);
    return found == dirs.end() ? fallback : found->second;
}
} // namespace

void SeedShellFolders() {
    AnsiString home = Environment("HOME");
    auto dirs = ReadUserDirs(home);
    AnsiString dataHome = Environment("XDG_DATA_HOME");
    const std::pair<const char*, AnsiString> folders[] = {
        {"Desktop", UserDir(dirs, "XDG_DESKTOP_DIR", home + "/Desktop")},
        {"Personal", UserDir(dirs, "XDG_DOCUMENTS_DIR", home + "/Documents")},
        {"My Pictures", UserDir(dirs, "XDG_PICTURES_DIR", home + "/Pictures")},
        {"AppData", dataHome.empty() ? home + "/.local/share" : dataHome},
    };
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SHELL_FOLDERS_KEY, 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    for (const auto& [name, folder] : folders) {
        if (RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
            continue; // the user's own choice stays
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>(folder.size() + 1));
    }
    RegCloseKey(key);
}
