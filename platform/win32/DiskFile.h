#pragma once
// The kernel object behind a CreateFileA handle to a disk file.
#include "platform/win32/FileObject.h"

class DiskFile : public FileObject {
public:
    DiskFile(int descriptor, bool canRead, bool canWrite)
        : fd_(descriptor), canRead_(canRead), canWrite_(canWrite) {}
    ~DiskFile() override;
    DiskFile(const DiskFile&) = delete;
    DiskFile& operator=(const DiskFile&) = delete;

    BOOL Read(void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) override;
    BOOL Write(const void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) override;
    BOOL Flush() override;

    int Descriptor() const { return fd_; }
    bool CanWrite() const { return canWrite_; }

private:
    int fd_;
    bool canRead_;
    bool canWrite_;
};
