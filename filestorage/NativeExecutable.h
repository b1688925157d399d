#pragma once
// Extracted programs must be runnable: files whose contents are a native executable
// (an ELF image or a "#!" script) get the executable permission.
#include <cstddef>

#include "platform/rtl/SysUtils.h"

bool IsNativeExecutable(const void* Contents, size_t Size);
// Adds execute permission where read permission is; true when nothing was needed or
// the permission was set.
bool MarkExecutableIfNative(const AnsiString& FileName, const void* Contents, size_t Size);
