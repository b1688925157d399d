#include "platform/win32/Handles.h"

#include <mutex>
#include <unordered_map>

namespace {
struct HandleTable {
    std::mutex lock;
    std::unordered_map<uintptr_t, std::shared_ptr<KernelObject>> objects;
    uintptr_t next = 0x100; // handles are multiples of 4, as Windows hands them out
};

HandleTable& Table() {
    static HandleTable* table = new HandleTable; // outlives static destructors of users
    return *table;
}
} // namespace

DWORD KernelObject::WaitFor(DWORD) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
}

HANDLE RegisterHandle(std::shared_ptr<KernelObject> object) {
    auto& table = Table();
    std::lock_guard guard(table.lock);
    uintptr_t value = table.next;
    table.next += 4;
    table.objects.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle) {
    auto& table = Table();
    std::lock_guard guard(table.lock);
    auto found = table.objects.find(reinterpret_cast<uintptr_t>(handle));
    if (found == table.objects.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return found->second;
}

BOOL CloseHandle(HANDLE handle) {
    std::shared_ptr<KernelObject> object;
    {
        auto& table = Table();
        std::lock_guard guard(table.lock);
        auto found = table.objects.find(reinterpret_cast<uintptr_t>(handle));
        if (found == table.objects.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        object = std::move(found->second);
        table.objects.erase(found);
    }
    object->OnClose(); // outside the table lock: closing may wake waiters that look up handles
    return TRUE;
}
