// The current folder profile: Linux values from the environment unless one was set.
#include "platform/rtl/FolderProfile.h"

#include <cstdlib>
#include <mutex>
#include <optional>

namespace {
std::mutex profileMutex;
std::optional<TFolderProfile> chosenProfile;

AnsiString Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? AnsiString(value) : AnsiString();
}

AnsiString WithSlash(AnsiString folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}
} // namespace

AnsiString VokaHome() {
    if (AnsiString home = Environment("VOKA_HOME"); !home.empty())
        return WithSlash(home);
    if (AnsiString config = Environment("XDG_CONFIG_HOME"); !config.empty())
        return WithSlash(config) + "voka/";
    return WithSlash(Environment("HOME")) + ".config/voka/";
}

TFolderProfile LinuxFolderProfile() {
    const AnsiString windows = VokaHome() + "windows/";
    AnsiString temp = Environment("TMPDIR");
    return TFolderProfile{
        '/', windows, windows + "system/", WithSlash(temp.empty() ? "/tmp" : temp), "/opt/", ""};
}

TFolderProfile WindowsFolderProfile() {
    return TFolderProfile{'\\',         "D:\\WINNT\\",         "D:\\WINNT\\system32\\",
                          "C:\\TEMP\\", "C:\\Program Files\\", ""};
}

void SetFolderProfile(const TFolderProfile* profile) {
    std::lock_guard lock(profileMutex);
    if (profile)
        chosenProfile = *profile;
    else
        chosenProfile.reset();
}

TFolderProfile CurrentFolderProfile() {
    {
        std::lock_guard lock(profileMutex);
        if (chosenProfile)
            return *chosenProfile;
    }
    return LinuxFolderProfile();
}

char PathDelim() {
    std::lock_guard lock(profileMutex);
    return chosenProfile ? chosenProfile->PathDelim : '/';
}
