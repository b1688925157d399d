#pragma once
// Share modes among CreateFileA handles, in this and other processes. A handle marks what
// it may do (read, write, delete) and what its share mode refuses others, each as a read
// lock of its own open file description on one byte far beyond any file's data. A new
// handle is refused when it would do what an existing handle refuses, or would refuse
// what an existing handle does. Programs that do not use CreateFileA are not held back.
#include "platform/win32/WinTypes.h"

// Bit sets of FILE_SHARE_READ, FILE_SHARE_WRITE and FILE_SHARE_DELETE.
struct FileSharing {
    DWORD access = 0; // what the handle does
    DWORD share = 0;  // what it lets others do
};

// Marks a new handle on the open file fd. Returns the descriptor holding the marks (fd
// itself, another descriptor for the same file that the caller closes with the handle, or
// -1 when the file cannot carry marks and sharing goes unchecked); on a conflict false with
// ERROR_SHARING_VIOLATION and nothing marked.
bool MarkSharing(int fd, const FileSharing& sharing, int& markDescriptor);

// Whether an open handle's share mode refuses deleting the file at path.
bool DeletionRefused(const char* path);
