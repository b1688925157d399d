#pragma once
// Folder queries through the current folder profile, and the user's shell folders.
//
// GetWindowsDirectoryA and GetSystemDirectoryA give the folder without a trailing
// delimiter (a drive root keeps its own); GetTempPathA gives it with one. Each returns the
// length copied without the terminating zero, or, when the buffer is too small, the size
// needed including the zero, leaving the buffer alone. Under a '/' profile the Windows
// and system folders are created when asked for.
#include "platform/rtl/SysUtils.h"
#include "platform/win32/WinError.h"

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size);
UINT GetSystemDirectoryA(LPSTR buffer, UINT size);
DWORD GetTempPathA(DWORD bufferLength, LPSTR buffer);

// The current user's key that names the shell folders (string values "Desktop",
// "Personal", "My Pictures", "AppData").
inline constexpr const char* SHELL_FOLDERS_KEY =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Writes the shell-folder values the key lacks, from the XDG user folders
// ($XDG_CONFIG_HOME/user-dirs.dirs, $XDG_DATA_HOME); values already there stay. The
// registry calls it whenever the key is opened.
void SeedShellFolders();
