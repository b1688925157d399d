#include "platform/win32/Modules.h"

#include <map>
#include <mutex>

namespace {
struct Module {
    uintptr_t handle = 0;
    bool alwaysLoaded = false;
    int loads = 0;
    std::map<AnsiString, FARPROC> procedures;
    bool Loaded() const { return alwaysLoaded || loads > 0; }
};

// Module handles look like image base addresses and never clash with kernel handles.
constexpr uintptr_t programModuleHandle = 0x400000;
constexpr uintptr_t firstLibraryHandle = 0x10000000;
constexpr uintptr_t libraryHandleStep = 0x10000;

struct ModuleTable {
    std::mutex lock;
    std::map<AnsiString, Module> modules; // keyed by the normalised name
    uintptr_t nextHandle = firstLibraryHandle;

    ModuleTable() {
        for (const char* name : {"kernel32.dll", "ntdll.dll"}) {
            auto& module = Add(name);
            module.alwaysLoaded = true;
        }
    }
    Module& Add(const AnsiString& key) {
        auto [it, added] = modules.try_emplace(key);
        if (added) {
            it->second.handle = nextHandle;
            nextHandle += libraryHandleStep;
        }
        return it->second;
    }
    Module* ByHandle(HMODULE handle) {
        for (auto& [name, module] : modules)
            if (module.handle == reinterpret_cast<uintptr_t>(handle))
                return &module;
        return nullptr;
    }
};
ModuleTable& Table() {
    static auto* table = new ModuleTable;
    return *table;
}

// "C:\WINNT\System32\KERNEL32" and "kernel32.dll" name the same module.
AnsiString NormalisedName(const char* name) {
    AnsiString key(name);
    auto slash = key.find_last_of("/\\");
    if (slash != AnsiString::npos)
        key.erase(0, slash + 1);
    for (auto& c : key)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    if (key.find('.') == AnsiString::npos)
        key += ".dll";
    else if (key.back() == '.') // a trailing dot means "no extension"
        key.pop_back();
    return key;
}
} // namespace

HMODULE LoadLibraryA(LPCSTR name) {
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto& table = Table();
    std::lock_guard guard(table.lock);
    auto found = table.modules.find(NormalisedName(name));
    if (found == table.modules.end()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    ++found->second.loads;
    return reinterpret_cast<HMODULE>(found->second.handle);
}

BOOL FreeLibrary(HMODULE handle) {
    auto& table = Table();
    std::lock_guard guard(table.lock);
    auto* module = table.ByHandle(handle);
    if (!module || module->loads == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    --module->loads;
    return TRUE;
}

HMODULE GetModuleHandleA(LPCSTR name) {
    if (!name)
        return reinterpret_cast<HMODULE>(programModuleHandle);
    auto& table = Table();
    std::lock_guard guard(table.lock);
    auto found = table.modules.find(NormalisedName(name));
    if (found == table.modules.end() || !found->second.Loaded()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HMODULE>(found->second.handle);
}

FARPROC GetProcAddress(HMODULE handle, LPCSTR name) {
    if (!name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto& table = Table();
    std::lock_guard guard(table.lock);
    auto* module = table.ByHandle(handle);
    if (!module || !module->Loaded()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    auto found = module->procedures.find(name);
    if (found == module->procedures.end()) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return found->second;
}

void RegisterModuleProc(LPCSTR module, LPCSTR name, FARPROC address) {
    auto& table = Table();
    std::lock_guard guard(table.lock);
    table.Add(NormalisedName(module)).procedures[name] = address;
}

void RegisterModule(LPCSTR module) {
    auto& table = Table();
    std::lock_guard guard(table.lock);
    table.Add(NormalisedName(module));
}

void UnregisterModule(LPCSTR module) {
    auto& table = Table();
    std::lock_guard guard(table.lock);
    auto found = table.modules.find(NormalisedName(module));
    if (found != table.modules.end() && !found->second.alwaysLoaded)
        table.modules.erase(found);
}
