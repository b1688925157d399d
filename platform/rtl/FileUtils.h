#pragma once
// Path and file helpers. Path helpers split at the current profile's delimiter (and,
// under a Windows profile, after a drive's ':').
#include <cstddef>
#include <cstdint>

#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"

// "dir/name.ext" -> "dir/"; "name" -> "".
AnsiString ExtractFilePath(const AnsiString& fileName);
// "dir/name.ext" -> "name.ext".
AnsiString ExtractFileName(const AnsiString& fileName);
// "dir/name.ext" -> ".ext"; no extension -> "". A dot in a folder name does not count.
AnsiString ExtractFileExt(const AnsiString& fileName);
// Replaces (or adds, or with "" removes) the extension; extension includes its dot.
AnsiString ChangeFileExt(const AnsiString& fileName, const AnsiString& extension);
AnsiString IncludeTrailingPathDelimiter(const AnsiString& path);
AnsiString ExcludeTrailingPathDelimiter(const AnsiString& path);

// Native file system queries, on the path as given.
bool FileExists(const AnsiString& fileName); // a file, not a folder
bool DirectoryExists(const AnsiString& path);
// Creates the folder and any missing parents; true when it exists afterwards.
bool ForceDirectories(const AnsiString& path);
int64_t FileSize64(const AnsiString& fileName); // -1 when missing or not a file
bool DeleteFile(const AnsiString& fileName);    // a file only; false when it did not go

// The whole contents of a file. A file of sizeLimit bytes or more is refused before it is read,
// a pipe as soon as it passes the limit (EInOutError naming the limit). Raises EFOpenError
// when the file cannot be opened, EInOutError "Cannot read file \"%s\". %s" when reading
// fails, and std::bad_alloc when the contents do not fit in memory.
AnsiString ReadFileContents(const AnsiString& fileName, uint64_t sizeLimit);

// A file opened to be read from its start, with the checks and errors of ReadFileContents:
// one of sizeLimit bytes or more is refused here, before anything is read.
class TFileReader {
public:
    TFileReader(const AnsiString& fileName, uint64_t sizeLimit);

    // The size of a regular file when it was opened; 0 for a pipe or a device.
    uint64_t Size() const { return size_; }
    const AnsiString& FileName() const { return file_.FileName(); }
    // Up to count bytes, fewer only at the end.
    size_t ReadFull(char* into, size_t count);
    // The rest of it, up to where it ends (a pipe, or a file that grew, past Size).
    AnsiString ReadAll();

private:
    size_t ReadSome(char* into, size_t count); // 0 at the end
    EInOutError TooLarge(const AnsiString& size) const;

    TFileStream file_;
    uint64_t sizeLimit_;
    uint64_t size_ = 0;
};
