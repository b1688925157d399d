// One stored file: its record in "StoredData", loading from disk and writing to disk.
#include <limits>

#include "filestorage/FileStorage.h"
#include "filestorage/NativeExecutable.h"
#include "filestorage/StoredDataFormat.h"
#include "platform/classes/Publisher.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/FolderProfile.h"
#include "platform/win32/Files.h"
#include "platform/win32/User.h"

namespace {

// Every folder along the path, from the left, each up to and including its delimiter.
// Folders that exist already (or cannot be made) are left to the file creation to report.
void CreateFoldersAlong(const AnsiString& targetName) {
    const AnsiString folder = ExtractFilePath(targetName);
    const char delimiter = PathDelim();
    for (size_t i = 0; i < folder.size(); ++i)
        if (folder[i] == delimiter)
            CreateDirectoryA(folder.substr(0, i + 1).c_str(), nullptr);
}

// Reads the whole open file into contents; false when it cannot be read in full or is
// too large for a stored file's size.
bool ReadOpenFile(HANDLE file, TMemoryStream& contents) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart > std::numeric_limits<int32_t>::max())
        return false;
    contents.SetSize(size.QuadPart);
    auto* bytes = static_cast<uint8_t*>(contents.Memory());
    int64_t done = 0;
    while (done < size.QuadPart) {
        DWORD read = 0;
        if (!ReadFile(file, bytes + done, static_cast<DWORD>(size.QuadPart - done), &read,
                      nullptr) ||
            read == 0)
            return false;
        done += read;
    }
    return true;
}

} // namespace

TStoredFile::TStoredFile(TFileStorage* AStorage)
    : Storage(AStorage), Data(std::make_unique<TMemoryStream>()) {}

VOKA_PUBLISH(TStoredFile, p) {}

void TStoredFile::ReadData(TStream* Stream) {
    const bool packed = !Storage || Storage->Compressed;
    try {
        ReadStoredRecord(Stream, packed, FileName, Data.get());
    } catch (...) {
        ClearData();
        throw;
    }
    FileSize = static_cast<int>(Data->Size());
}

void TStoredFile::WriteData(TStream* Stream) {
    WriteStoredRecord(Stream, FileName, Data.get());
}

bool TStoredFile::Upload(const AnsiString& SourceName) {
    FileName = ExtractFileName(SourceName);
    HANDLE file = CreateFileA(SourceName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    auto contents = std::make_unique<TMemoryStream>();
    bool loaded = false;
    if (file != INVALID_HANDLE_VALUE) {
        loaded = ReadOpenFile(file, *contents);
        CloseHandle(file);
    }
    if (!loaded) {
        const AnsiString caption = Storage ? Storage->GetName() : AnsiString();
        MessageBoxA(nullptr, "This file can not be uploaded.", caption.c_str(),
                    MB_ICONERROR | MB_OK);
        return false;
    }
    Data = std::move(contents);
    FileSize = static_cast<int>(Data->Size());
    return true;
}

void TStoredFile::ClearData() {
    FileName.clear();
    FileSize = 0;
    Data->SetSize(0);
}

bool TStoredFile::Extract(const AnsiString& TargetName, bool CreatePath) {
    TObject* const sender = Storage ? Storage->Owner() : nullptr;
    bool allowExtracting = true;
    if (Storage && Storage->OnExtract)
        Storage->OnExtract(sender, TargetName, FileSize, allowExtracting);
    if (!allowExtracting)
        return true;

    if (CreatePath)
        CreateFoldersAlong(TargetName);
    // Replaced whole or not at all: a failed write leaves the file that was there, and a
    // running updater keeps running from the old file while the new one takes its name.
    bool successfully = false;
    try {
        TReplacingFileStream file(TargetName);
        const auto size = static_cast<size_t>(Data->Size());
        file.Write(Data->Memory(), static_cast<int64_t>(size));
        // A program must be runnable where it lands; a file system without permissions
        // still has the file written.
        MarkExecutableIfNative(file, Data->Memory(), size);
        file.Commit();
        successfully = true;
    } catch (const Exception&) {
        // not created, or not written in full
    }
    if (successfully && Storage && Storage->AutoExtract->RemoveOnTerminate)
        Storage->extractedFiles_.push_back(TargetName);
    if (Storage && Storage->OnExtracted)
        Storage->OnExtracted(sender, TargetName, FileSize, successfully);
    return successfully;
}
