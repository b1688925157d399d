#pragma once
// The facts about folders that path algorithms read: the delimiter and the system
// folders. Linux values come from the environment; a Windows-style profile lets tests
// run the algorithms on Windows examples.
#include "platform/rtl/SysUtils.h"

struct TFolderProfile {
    char PathDelim;
    // Each folder ends with PathDelim.
    AnsiString WindowsDir;
    AnsiString SystemDir;
    AnsiString TempDir;
    AnsiString ProgramFilesDir;
    // The running program's full name; empty means the real one (/proc/self/exe).
    AnsiString ExecutableName;
};

// $VOKA_HOME, else $XDG_CONFIG_HOME/voka, else $HOME/.config/voka; ends with '/'.
AnsiString VokaHome();
// '/', $VOKA_HOME/windows/, $VOKA_HOME/windows/system/, $TMPDIR or /tmp/, /opt/;
// computed from the environment at each call, nothing is created.
TFolderProfile LinuxFolderProfile();
// '\\', "D:\\WINNT\\", "D:\\WINNT\\system32\\", "C:\\TEMP\\", "C:\\Program Files\\".
TFolderProfile WindowsFolderProfile();

// Makes profile the current one (copied); nullptr returns to the Linux profile.
// Meant for tests and start-up, not for switching while other threads use paths.
void SetFolderProfile(const TFolderProfile* profile);
// The current profile: the one set, else LinuxFolderProfile() as of now.
TFolderProfile CurrentFolderProfile();
char PathDelim();
