#pragma once
// The Windows error for a path that a file call could not reach.
#include "platform/win32/WinError.h"

// ENOENT gives ERROR_PATH_NOT_FOUND when the folder the path names is missing too,
// ERROR_FILE_NOT_FOUND otherwise; ENOTDIR gives ERROR_PATH_NOT_FOUND; any other errno
// its usual code.
DWORD PathErrorFromErrno(int error, const char* path);
