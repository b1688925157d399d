#include "platform/classes/ResourceApi.h"

#include <span>

#include "platform/classes/Resources.h"
#include "platform/win32/Modules.h"

namespace {
bool IsProgramModule(HMODULE module) {
    return module == nullptr || module == GetModuleHandleA(nullptr);
}

// A resource handle is the address of the table's byte span; the table lives as long as the
// program.
const std::span<const uint8_t>* SpanOf(HRSRC resource) {
    return static_cast<const std::span<const uint8_t>*>(resource);
}
} // namespace

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
    if (!IsProgramModule(module)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    if (type != RT_RCDATA) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    // Numbered resources (MAKEINTRESOURCE) are not carried.
    if (!name || reinterpret_cast<uintptr_t>(name) < 0x10000) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    const std::span<const uint8_t>* entry = FindModuleResourceEntry(name);
    if (!entry) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return const_cast<std::span<const uint8_t>*>(entry);
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
    if (!IsProgramModule(module) || !resource) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    return resource;
}

LPVOID LockResource(HGLOBAL data) {
    if (!data)
        return nullptr;
    return const_cast<uint8_t*>(SpanOf(data)->data());
}

DWORD SizeofResource(HMODULE module, HRSRC resource) {
    if (!IsProgramModule(module) || !resource) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return 0;
    }
    return static_cast<DWORD>(SpanOf(resource)->size());
}
