#pragma once
// Byte streams: the abstract stream, memory, file-descriptor and file streams.
#include <cstdint>
#include <vector>

#include "platform/rtl/Object.h"

// Seek origins.
constexpr int soFromBeginning = 0;
constexpr int soFromCurrent = 1;
constexpr int soFromEnd = 2;

// File open modes and share flags; a mode is one open mode or-ed with one share flag.
// fmCreate creates or empties the file and opens it for reading and writing. The share
// flags are accepted for compatibility; Linux files are not locked by opening them.
constexpr uint16_t fmCreate = 0xFF00;
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareCompat = 0x0000;
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyRead = 0x0030;
constexpr uint16_t fmShareDenyNone = 0x0040;
// Or-ed with fmOpenRead: only a regular file opens, and opening never waits (for the writer
// of a FIFO, the lines of a serial device). Anything else raises EFOpenError.
constexpr uint16_t fmRegularFile = 0x0100;

class TStream : public TObject {
public:
    // Move up to count bytes and return how many moved (0 at the end or on failure).
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Returns the new position. Seeking past the end is allowed; the gap reads as nothing
    // until something is written after it.
    virtual int64_t Seek(int64_t offset, int origin) = 0;

    int64_t GetPosition() { return Seek(0, soFromCurrent); }
    void SetPosition(int64_t position) { Seek(position, soFromBeginning); }
    virtual int64_t GetSize();
    virtual void SetSize(int64_t size);
    // Property readers under their property names.
    int64_t Position() { return GetPosition(); }
    int64_t Size() { return GetSize(); }

    // All or nothing: EReadError / EWriteError when fewer than count bytes move.
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
    // Copies count bytes from source's position; count 0 copies the whole source from its
    // start. Returns the bytes copied; raises EReadError when source runs short.
    int64_t CopyFrom(TStream* source, int64_t count);

    AnsiString ClassName() const override { return "TStream"; }
};

// A growable block of memory. SetSize keeps the contents up to the new size; bytes
// added by growing, or skipped by writing past the end, are zero.
class TMemoryStream : public TStream {
public:
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, int origin) override;
    int64_t GetSize() override { return size_; }
    void SetSize(int64_t size) override;

    // The bytes, valid until the size next changes.
    void* Memory() { return bytes_.data(); }
    const void* Memory() const { return bytes_.data(); }
    void Clear();

    // Replace the contents with the whole of source / of the file; position 0 afterwards.
    void LoadFromStream(TStream* source);
    void LoadFromFile(const AnsiString& fileName);
    // Write the whole contents (independent of the position).
    void SaveToStream(TStream* destination);
    void SaveToFile(const AnsiString& fileName);

    AnsiString ClassName() const override { return "TMemoryStream"; }

protected:
    std::vector<uint8_t> bytes_;
    int64_t size_ = 0;
    int64_t position_ = 0;
};

// A memory stream initialised from and read back as a string.
class TStringStream : public TMemoryStream {
public:
    explicit TStringStream(const AnsiString& text = AnsiString());
    AnsiString DataString() const;
    // Reads up to count bytes from the position.
    AnsiString ReadString(int64_t count);
    void WriteString(const AnsiString& text);

    AnsiString ClassName() const override { return "TStringStream"; }
};

// A stream over a POSIX file descriptor it does not own.
class THandleStream : public TStream {
public:
    explicit THandleStream(int handle) : handle_(handle) {}
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, int origin) override;
    // Truncates or extends the file; raises EStreamError when the system refuses.
    void SetSize(int64_t size) override;
    int Handle() const { return handle_; }

    AnsiString ClassName() const override { return "THandleStream"; }

protected:
    int handle_;
};

// A file opened by name, closed with the object. Raises EFCreateError
// "Cannot create file \"%s\". %s" or EFOpenError "Cannot open file \"%s\". %s".
class TFileStream : public THandleStream {
public:
    TFileStream(const AnsiString& fileName, uint16_t mode);
    ~TFileStream() override;
    const AnsiString& FileName() const { return fileName_; }

    AnsiString ClassName() const override { return "TFileStream"; }

private:
    AnsiString fileName_;
};

// A file replaced whole or not at all. The bytes go to a new file beside the target, which
// Commit flushes to the disk and renames over the target; until then the target keeps its old
// contents, and a stream destroyed without Commit (a failed write, an error on the way)
// removes the new file. The new file takes the permissions of the one it replaces, and a
// symbolic link is followed to the file it names. A target that exists but is no regular
// file (a device, a pipe) is written in place: there is no file to lose there.
// Raises EFCreateError "Cannot create file \"%s\". %s" when the new file cannot be made.
class TReplacingFileStream : public THandleStream {
public:
    explicit TReplacingFileStream(const AnsiString& fileName);
    ~TReplacingFileStream() override;
    TReplacingFileStream(const TReplacingFileStream&) = delete;
    TReplacingFileStream& operator=(const TReplacingFileStream&) = delete;

    // A write that falls short is remembered for Commit.
    int64_t Write(const void* buffer, int64_t count) override;
    // Puts the new contents in the target's place. Raises EInOutError
    // "Cannot write file \"%s\". %s" when a write fell short or the flush or the rename
    // failed; the target is then as it was, and the new file is gone.
    void Commit();
    // Execute permission wherever read permission is (r-- becomes r-x), for the new file;
    // false when the system refuses. A target written in place is left as it is.
    bool AddExecutePermission();
    const AnsiString& FileName() const { return fileName_; }

    AnsiString ClassName() const override { return "TReplacingFileStream"; }

private:
    [[noreturn]] void FailWrite(int error);

    AnsiString fileName_;
    AnsiString target_;    // the file replaced, with symbolic links followed
    AnsiString temporary_; // the new file; empty when the target is written in place
    int writeError_ = 0;
};
