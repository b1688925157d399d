#pragma once
// Extracted programs must be runnable: files whose contents are a native executable
// (an ELF image or a "#!" script) get the executable permission.
#include <cstddef>

#include "platform/rtl/Streams.h"

bool IsNativeExecutable(const void* Contents, size_t Size);
// Adds execute permission where read permission is to the file the stream is writing;
// true when nothing was needed or the permission was set.
bool MarkExecutableIfNative(TReplacingFileStream& File, const void* Contents, size_t Size);
