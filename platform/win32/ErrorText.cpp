// Windows error codes from errno, and the system's English texts for them.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "platform/win32/WinError.h"

namespace {
const std::unordered_map<DWORD, const char*>& MessageTexts() {
    static const std::unordered_map<DWORD, const char*> texts = {
        {ERROR_SUCCESS, "The operation completed successfully."},
        {ERROR_INVALID_FUNCTION, "Incorrect function."},
        {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
        {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
        {ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file."},
        {ERROR_ACCESS_DENIED, "Access is denied."},
        {ERROR_INVALID_HANDLE, "The handle is invalid."},
        {ERROR_NOT_ENOUGH_MEMORY,
         "Not enough memory resources are available to process this command."},
        {ERROR_BAD_FORMAT, "An attempt was made to load a program with an incorrect format."},
        {ERROR_INVALID_DATA, "The data is invalid."},
        {ERROR_OUTOFMEMORY,
         "Not enough memory resources are available to complete this operation."},
        {ERROR_NO_MORE_FILES, "There are no more files."},
        {ERROR_WRITE_PROTECT, "The media is write protected."},
        {ERROR_BAD_UNIT, "The system cannot find the device specified."},
        {ERROR_NOT_READY, "The device is not ready."},
        {ERROR_BAD_COMMAND, "The device does not recognize the command."},
        {ERROR_CRC, "Data error (cyclic redundancy check)."},
        {ERROR_WRITE_FAULT, "The system cannot write to the specified device."},
        {ERROR_READ_FAULT, "The system cannot read from the specified device."},
        {ERROR_GEN_FAILURE, "A device attached to the system is not functioning."},
        {ERROR_SHARING_VIOLATION,
         "The process cannot access the file because it is being used by another process."},
        {ERROR_LOCK_VIOLATION, "The process cannot access the file because another process has "
                               "locked a portion of the file."},
        {ERROR_HANDLE_EOF, "Reached the end of the file."},
        {ERROR_NOT_SUPPORTED, "The request is not supported."},
        {ERROR_DEV_NOT_EXIST, "The specified network resource or device is no longer available."},
        {ERROR_FILE_EXISTS, "The file exists."},
        {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
        {ERROR_BROKEN_PIPE, "The pipe has been ended."},
        {ERROR_DISK_FULL, "There is not enough space on the disk."},
        {ERROR_CALL_NOT_IMPLEMENTED, "This function is not supported on this system."},
        {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small."},
        {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect."},
        {ERROR_MOD_NOT_FOUND, "The specified module could not be found."},
        {ERROR_PROC_NOT_FOUND, "The specified procedure could not be found."},
        {ERROR_DIR_NOT_EMPTY, "The directory is not empty."},
        {ERROR_BUSY, "The requested resource is in use."},
        {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
        {ERROR_FILENAME_EXCED_RANGE, "The filename or extension is too long."},
        {ERROR_MORE_DATA, "More data is available."},
        {ERROR_NO_MORE_ITEMS, "No more data is available."},
        {ERROR_DIRECTORY, "The directory name is invalid."},
        {ERROR_MR_MID_NOT_FOUND, "The system cannot find message text for message number 0x%1 "
                                 "in the message file for %2."},
        {ERROR_OPERATION_ABORTED, "The I/O operation has been aborted because of either a thread "
                                  "exit or an application request."},
        {ERROR_IO_INCOMPLETE, "Overlapped I/O event is not in a signaled state."},
        {ERROR_IO_PENDING, "Overlapped I/O operation is in progress."},
        {ERROR_NOACCESS, "Invalid access to memory location."},
        {ERROR_BADKEY, "The configuration registry key is invalid."},
        {ERROR_CANTOPEN, "The configuration registry key could not be opened."},
        {ERROR_CANTREAD, "The configuration registry key could not be read."},
        {ERROR_CANTWRITE, "The configuration registry key could not be written."},
        {ERROR_REGISTRY_CORRUPT,
         "The registry is corrupted. The structure of one of the files containing registry data "
         "is corrupted, or the system's memory image of the file is corrupted, or the file could "
         "not be recovered because the alternate copy or log was absent or corrupted."},
        {ERROR_KEY_DELETED,
         "Illegal operation attempted on a registry key that has been marked for deletion."},
        {ERROR_COUNTER_TIMEOUT, "A serial I/O operation completed because the timeout period "
                                "expired. (The IOCTL_SERIAL_XOFF_COUNTER did not reach zero.)"},
        {ERROR_DEVICE_NOT_CONNECTED, "The device is not connected."},
        {ERROR_NOT_FOUND, "Element not found."},
        {ERROR_INVALID_WINDOW_HANDLE, "Invalid window handle."},
        {ERROR_INVALID_THREAD_ID, "Invalid thread identifier."},
        {ERROR_TIMEOUT, "This operation returned because the timeout period expired."},
        {ERROR_DEVICE_REMOVED, "The device has been removed."},
    };
    return texts;
}
} // namespace

DWORD ErrorFromErrno(int error) {
    switch (error) {
    case 0:
        return ERROR_SUCCESS;
    case ENOENT:
    case ENXIO: // a device node without a device behind it: the port is not there
    case ENODEV:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
    case ELOOP:
        return ERROR_PATH_NOT_FOUND;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case EACCES:
    case EPERM:
    case EBUSY: // a port that another program holds
    case EISDIR:
        return ERROR_ACCESS_DENIED;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EROFS:
        return ERROR_WRITE_PROTECT;
    case EIO:
        return ERROR_GEN_FAILURE;
    case ETXTBSY:
        return ERROR_SHARING_VIOLATION;
    case ENOSYS:
    case ENOTSUP:
    case ENOTTY:
        return ERROR_NOT_SUPPORTED;
    case EEXIST:
        return ERROR_FILE_EXISTS;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    case EPIPE:
        return ERROR_BROKEN_PIPE;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return ERROR_DISK_FULL;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case ENOTEMPTY:
        return ERROR_DIR_NOT_EMPTY;
    case EAGAIN: // not "pending": nothing will complete later on its own
        return ERROR_BUSY;
    case ETIMEDOUT:
        return ERROR_TIMEOUT;
    case ECANCELED:
    case EINTR:
        return ERROR_OPERATION_ABORTED;
    case EFAULT:
        return ERROR_NOACCESS;
    default:
        return ERROR_GEN_FAILURE;
    }
}

DWORD SetLastErrorFromErrno() {
    DWORD code = ErrorFromErrno(errno);
    SetLastError(code);
    return code;
}

AnsiString SystemErrorMessage(DWORD code) {
    auto found = MessageTexts().find(code);
    if (found == MessageTexts().end())
        return {};
    return AnsiString(found->second) + "\r\n";
}

DWORD FormatMessageA(DWORD flags, LPCVOID, DWORD messageId, DWORD, LPSTR buffer, DWORD size,
                     void*) {
    if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || (flags & FORMAT_MESSAGE_FROM_STRING) || !buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    AnsiString text = SystemErrorMessage(messageId);
    if (text.empty()) {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        auto* block = static_cast<char*>(std::malloc(std::max<size_t>(text.size() + 1, size)));
        if (!block) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        std::memcpy(block, text.c_str(), text.size() + 1);
        *reinterpret_cast<char**>(buffer) = block;
        return static_cast<DWORD>(text.size());
    }
    if (text.size() + 1 > size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

HANDLE LocalFree(HANDLE memory) {
    std::free(memory);
    return nullptr;
}
