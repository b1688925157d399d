// The program's raw-data resources as files and texts.
#include "devices/pnp/nrwin32helpers.h"
#include "platform/classes/ResourceApi.h"
#include "platform/win32/Files.h"

namespace {
// The resource's bytes, or null when any step fails.
const char* LockedResource(const AnsiString& ResName, DWORD& Size) {
    HRSRC found = FindResourceA(nullptr, ResName.c_str(), RT_RCDATA);
    if (!found)
        return nullptr;
    HGLOBAL loaded = LoadResource(nullptr, found);
    if (!loaded)
        return nullptr;
    Size = SizeofResource(nullptr, found);
    return static_cast<const char*>(LockResource(loaded));
}
} // namespace

bool CreateFileFromRes(const AnsiString& ResName, const AnsiString& FileName) {
    DWORD size = 0;
    const char* bytes = LockedResource(ResName, size);
    if (!bytes)
        return false;
    HANDLE file = CreateFileA(FileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL wrote = WriteFile(file, bytes, size, &written, nullptr);
    CloseHandle(file);
    return wrote && written == size;
}

AnsiString GetResAsStr(const AnsiString& ResName) {
    DWORD size = 0;
    const char* bytes = LockedResource(ResName, size);
    return bytes ? AnsiString(bytes, size) : AnsiString();
}
