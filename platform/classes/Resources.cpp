#include "platform/classes/Resources.h"

#include <map>
#include <string>
#include <strings.h>

namespace {
struct CaseInsensitiveLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return strcasecmp(a.c_str(), b.c_str()) < 0;
    }
};

// Function-local so that registrations from static initialisers find it constructed.
std::map<std::string, std::span<const uint8_t>, CaseInsensitiveLess>& Table() {
    static std::map<std::string, std::span<const uint8_t>, CaseInsensitiveLess> table;
    return table;
}
} // namespace

bool RegisterModuleResource(std::string_view name, const unsigned char* data, size_t size) {
    Table()[std::string(name)] = std::span<const uint8_t>(data, size);
    return true;
}

std::span<const uint8_t> FindModuleResource(std::string_view name) {
    const std::span<const uint8_t>* entry = FindModuleResourceEntry(name);
    return entry ? *entry : std::span<const uint8_t>();
}

const std::span<const uint8_t>* FindModuleResourceEntry(std::string_view name) {
    auto found = Table().find(std::string(name));
    return found == Table().end() ? nullptr : &found->second;
}

bool ModuleResourceExists(std::string_view name) {
    return Table().count(std::string(name)) != 0;
}
