#pragma once
// Files carried inside a window description: TFileStorage keeps TStoredFile objects,
// stores them packed as the binary property "StoredData", and writes them to disk
// (explicitly, or all of them once the window has been loaded).
#include <memory>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Streams.h"

class TFiler;
class TFileStorage;

VOKA_ENUM(TToplevelDir, tdCurrentDir, tdWindowsDir, tdTempDir, tdSystemDir, tdMediaDir,
          tdCursorsDir, tdHelpDir, tdSamplesDir, tdDesktop, tdProgramFiles, tdMyDocuments,
          tdMyPictures, tdAppData, tdNone)
VOKA_ENUM(TFileStorageOverwrite, owIfSizeDifferent, owNever, owAlways)

// Sender (the container's owner), full target path, FileSize, AllowExtracting.
using TOnExtractEvent = TEvent<TObject*, const AnsiString&, int, bool&>;
// Sender, full target path, FileSize, Successfully.
using TOnExtractedEvent = TEvent<TObject*, const AnsiString&, int, bool>;

class TExtractTo : public TPersistent {
    VOKA_CLASS(TExtractTo, TPersistent)
public:
    // The target folder, ending in a delimiter except with tdNone.
    AnsiString Path() const;

    bool CreatePath = true;
    TToplevelDir ToplevelDir = tdCurrentDir;
    AnsiString Subdirectory;
};

class TAutoExtract : public TPersistent {
    VOKA_CLASS(TAutoExtract, TPersistent)
public:
    TAutoExtract();

    bool Enabled = false;
    std::unique_ptr<TExtractTo> ExtractTo;
    TFileStorageOverwrite Overwrite = owIfSizeDifferent;
    bool RemoveOnTerminate = false;
};

class TStoredFile : public TPersistent {
    VOKA_CLASS(TStoredFile, TPersistent)
public:
    explicit TStoredFile(TFileStorage* AStorage);

    // One file record at the stream's position; the packed form unless Storage read a
    // stream without the magic. Damage raises EReadError and leaves the file empty.
    void ReadData(TStream* Stream);
    // Always the packed form.
    void WriteData(TStream* Stream);
    // Loads a file from disk. FileName takes the new name first, also on failure; a file
    // that cannot be opened or read is reported in a message box and keeps the old
    // contents.
    bool Upload(const AnsiString& SourceName);
    void ClearData();
    // Writes the contents to TargetName (creating its folders when CreatePath is set)
    // and raises the container's OnExtract / OnExtracted around it.
    virtual bool Extract(const AnsiString& TargetName, bool CreatePath);

    TFileStorage* Storage; // not owned; may be null
    AnsiString FileName;
    int FileSize = 0;
    std::unique_ptr<TMemoryStream> Data;
};

class TFileStorage : public TComponent {
    VOKA_CLASS(TFileStorage, TComponent)
public:
    explicit TFileStorage(TComponent* AOwner);
    // Removes the files written while removal at termination was set, then frees all.
    ~TFileStorage() override;

    void DefineProperties(TFiler* Filer) override;
    // Runs automatic extraction once the window has been read.
    void Loaded() override;

    // The reader and writer of "StoredData". A damaged stream raises EReadError and adds
    // none of its files.
    void ReadData(TStream* Stream);
    void WriteData(TStream* Stream);

    // The stored file named FileName (exact letter case); False when there is none.
    // An empty TargetName means AutoExtract.ExtractTo.Path() followed by the name.
    bool Extract(const AnsiString& FileName, const AnsiString& TargetName);
    // Raises EListError for an index outside Files.
    bool Extract(int Index, const AnsiString& TargetName);

    // Stored files, owned, in stream order. Count follows the list, so the two always agree.
    int GetCount() const { return static_cast<int>(Files.size()); }
    // The unpacked total of all stored files.
    int GetDataSize() const;
    void SetNone(const int) {}

    // Full paths written while AutoExtract.RemoveOnTerminate was set.
    const std::vector<AnsiString>& ExtractedFiles() const { return extractedFiles_; }

    std::unique_ptr<TAutoExtract> AutoExtract;
    std::vector<std::unique_ptr<TStoredFile>> Files;
    TOnExtractEvent OnExtract;
    TOnExtractedEvent OnExtracted;
    // True when the stream last read began with the magic (its contents were packed).
    bool Compressed = false;

private:
    friend class TStoredFile;
    void RemoveExtractedFiles();
    void ExtractAutomatically(TStoredFile& file);

    std::vector<AnsiString> extractedFiles_;
};
