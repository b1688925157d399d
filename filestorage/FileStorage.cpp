// The stored-file container: "StoredData" reading and writing, extraction by name and
// index, automatic extraction after loading and removal at termination.
#include "filestorage/FileStorage.h"

#include <algorithm>
#include <iterator>
#include <limits>

#include "filestorage/StoredDataFormat.h"
#include "platform/classes/Filer.h"
#include "platform/classes/Publisher.h"
#include "platform/rtl/FileUtils.h"
#include "platform/win32/Files.h"

namespace {

// Size of the file at path as the overwrite test sees it: -1 when it cannot be opened.
int64_t ExistingFileSize(const AnsiString& path) {
    HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    LARGE_INTEGER size{};
    const bool known = GetFileSizeEx(file, &size);
    CloseHandle(file);
    return known ? size.QuadPart : -1;
}

bool FolderIsEmpty(const AnsiString& folder) {
    WIN32_FIND_DATAA entry{};
    HANDLE find = FindFirstFileA((folder + "*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    bool empty = true;
    do {
        const AnsiString name = entry.cFileName;
        if (name != "." && name != "..")
            empty = false;
    } while (empty && FindNextFileA(find, &entry));
    FindClose(find);
    return empty;
}

} // namespace

TFileStorage::TFileStorage(TComponent* AOwner)
    : TComponent(AOwner), AutoExtract(std::make_unique<TAutoExtract>()) {}

TFileStorage::~TFileStorage() {
    RemoveExtractedFiles();
    extractedFiles_.clear();
    Files.clear();
}

VOKA_PUBLISH(TFileStorage, p) {
    p.Object("AutoExtract", &TFileStorage::AutoExtract);
    p.Event("OnExtract", &TFileStorage::OnExtract);
    p.Event("OnExtracted", &TFileStorage::OnExtracted);
    p.Integer("Count", &TFileStorage::GetCount, &TFileStorage::SetNone).NotStored();
    p.Integer("DataSize", &TFileStorage::GetDataSize, &TFileStorage::SetNone).NotStored();
}

void TFileStorage::DefineProperties(TFiler* Filer) {
    inherited::DefineProperties(Filer);
    Filer->DefineBinaryProperty(
        "StoredData", [this](TStream& stream) { ReadData(&stream); },
        [this](TStream& stream) { WriteData(&stream); }, GetCount() != 0);
}

void TFileStorage::ReadData(TStream* Stream) {
    const TStoredDataHeader header = ReadStoredDataHeader(Stream);
    Compressed = header.Compressed;
    std::vector<std::unique_ptr<TStoredFile>> read;
    for (int32_t i = 0; i < header.Count; ++i) {
        auto file = std::make_unique<TStoredFile>(this);
        file->ReadData(Stream);
        read.push_back(std::move(file));
    }
    std::move(read.begin(), read.end(), std::back_inserter(Files));
}

void TFileStorage::WriteData(TStream* Stream) {
    WriteStoredDataHeader(Stream, GetCount());
    for (const auto& file : Files)
        file->WriteData(Stream);
}

int TFileStorage::GetDataSize() const {
    int64_t total = 0;
    for (const auto& file : Files)
        total += file->FileSize;
    return static_cast<int>(std::min<int64_t>(total, std::numeric_limits<int>::max()));
}

bool TFileStorage::Extract(const AnsiString& FileName, const AnsiString& TargetName) {
    const AnsiString target =
        TargetName.empty() ? AutoExtract->ExtractTo->Path() + FileName : TargetName;
    for (const auto& file : Files)
        if (file->FileName == FileName)
            return file->Extract(target, AutoExtract->ExtractTo->CreatePath);
    return false;
}

bool TFileStorage::Extract(int Index, const AnsiString& TargetName) {
    if (Index < 0 || Index >= GetCount())
        throw EListError::IndexOutOfBounds(Index);
    TStoredFile& file = *Files[static_cast<size_t>(Index)];
    const AnsiString target =
        TargetName.empty() ? AutoExtract->ExtractTo->Path() + file.FileName : TargetName;
    return file.Extract(target, AutoExtract->ExtractTo->CreatePath);
}

void TFileStorage::Loaded() {
    inherited::Loaded();
    if (!AutoExtract->Enabled || ComponentState().Contains(csDesigning))
        return;
    for (const auto& file : Files)
        ExtractAutomatically(*file);
}

void TFileStorage::ExtractAutomatically(TStoredFile& file) {
    const AnsiString target = AutoExtract->ExtractTo->Path() + file.FileName;
    const bool createPath = AutoExtract->ExtractTo->CreatePath;
    switch (AutoExtract->Overwrite) {
    case owAlways:
        file.Extract(target, createPath);
        break;
    case owNever:
        if (!FileExists(target))
            file.Extract(target, createPath);
        break;
    case owIfSizeDifferent:
        if (!FileExists(target)) {
            file.Extract(target, createPath);
            break;
        }
        // Whatever goes wrong while comparing, the file is written (again).
        try {
            if (ExistingFileSize(target) != file.FileSize)
                file.Extract(target, createPath);
        } catch (...) {
            file.Extract(target, createPath);
        }
        break;
    }
}

void TFileStorage::RemoveExtractedFiles() {
    if (!AutoExtract->Enabled || !AutoExtract->RemoveOnTerminate || extractedFiles_.empty())
        return;
    for (const AnsiString& path : extractedFiles_)
        DeleteFileA(path.c_str());
    const AnsiString folder = ExtractFilePath(extractedFiles_.front());
    if (DirectoryExists(folder) && FolderIsEmpty(folder))
        RemoveDirectoryA(folder.c_str());
}
