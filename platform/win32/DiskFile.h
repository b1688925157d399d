#pragma once
// The kernel object behind a CreateFileA handle to a disk file.
#include "platform/win32/FileObject.h"

struct DiskFileMode {
    bool canRead = false;
    bool canWrite = false;
    bool overlapped = false; // FILE_FLAG_OVERLAPPED: no file pointer is kept for the caller
    int markDescriptor = -1; // holds the handle's share marks; closed with it unless the file's own
};

class DiskFile : public FileObject {
public:
    DiskFile(int descriptor, const DiskFileMode& mode) : fd_(descriptor), mode_(mode) {}
    ~DiskFile() override;
    DiskFile(const DiskFile&) = delete;
    DiskFile& operator=(const DiskFile&) = delete;

    BOOL Read(void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) override;
    BOOL Write(const void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) override;
    BOOL Flush() override;

    int Descriptor() const { return fd_; }
    bool CanWrite() const { return mode_.canWrite; }

private:
    // Where a transfer with this record starts; false (last error set) when it cannot.
    bool StartOf(const OVERLAPPED& overlapped, bool writing, off_t& start) const;
    // After a positioned transfer a synchronous handle's pointer follows it.
    void MovePointer(OVERLAPPED* overlapped, off_t end) const;

    int fd_;
    DiskFileMode mode_;
};
