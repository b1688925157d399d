#include "platform/classes/ClassRegistry.h"

#include <map>
#include <mutex>

namespace {
struct NoCaseLess {
    bool operator()(const AnsiString& a, const AnsiString& b) const {
        return CompareText(a, b) < 0;
    }
};

struct Registry {
    std::mutex lock;
    std::map<AnsiString, const TClassInfo*, NoCaseLess> classes;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}
} // namespace

void RegisterClass(const TClassInfo& info) {
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    auto [entry, inserted] = registry.classes.emplace(info.ClassName, &info);
    if (!inserted && entry->second != &info)
        throw Exception(Format("A class named %s already exists", info.ClassName));
}

void RegisterClasses(std::initializer_list<const TClassInfo*> classes) {
    for (const TClassInfo* info : classes)
        RegisterClass(*info);
}

void UnRegisterClass(const TClassInfo& info) {
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    auto entry = registry.classes.find(info.ClassName);
    if (entry != registry.classes.end() && entry->second == &info)
        registry.classes.erase(entry);
}

const TClassInfo* GetClass(const AnsiString& className) {
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    auto entry = registry.classes.find(className);
    return entry == registry.classes.end() ? nullptr : entry->second;
}

const TClassInfo& FindClass(const AnsiString& className) {
    const TClassInfo* info = GetClass(className);
    if (!info)
        throw EClassNotFound(Format("Class %s not found", className));
    return *info;
}
