#include "platform/win32/RegistryHive.h"

#include <algorithm>

bool SameName(const AnsiString& a, const AnsiString& b) {
    return SameText(a, b);
}

bool KeyPathLess::operator()(const AnsiString& a, const AnsiString& b) const {
    return CompareText(a, b) < 0;
}

AnsiString NormalizeKeyPath(const AnsiString& path) {
    AnsiString result;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == AnsiString::npos)
            end = path.size();
        if (end > start) {
            if (!result.empty())
                result += '\\';
            result.append(path, start, end - start);
        }
        start = end + 1;
    }
    return result;
}

AnsiString JoinKeyPath(const AnsiString& base, const AnsiString& sub) {
    return NormalizeKeyPath(base + '\\' + sub);
}

const RegValue* RegKey::FindValue(const AnsiString& name) const {
    auto found = std::find_if(values.begin(), values.end(),
                              [&](const RegValue& value) { return SameName(value.name, name); });
    return found == values.end() ? nullptr : &*found;
}

void RegKey::SetValue(const AnsiString& name, DWORD type, std::string data) {
    for (auto& value : values) {
        if (SameName(value.name, name)) {
            value.type = type;
            value.data = std::move(data);
            return;
        }
    }
    values.push_back({name, type, std::move(data)});
}

bool RegKey::DeleteValue(const AnsiString& name) {
    auto found = std::find_if(values.begin(), values.end(),
                              [&](const RegValue& value) { return SameName(value.name, name); });
    if (found == values.end())
        return false;
    values.erase(found);
    return true;
}

RegistryHive::RegistryHive() {
    keys_.emplace("", RegKey{});
}

const RegKey* RegistryHive::Find(const AnsiString& path) const {
    auto found = keys_.find(path);
    return found == keys_.end() ? nullptr : &found->second;
}

RegKey* RegistryHive::Find(const AnsiString& path) {
    auto found = keys_.find(path);
    return found == keys_.end() ? nullptr : &found->second;
}

RegKey& RegistryHive::Create(const AnsiString& path, bool& created) {
    created = false;
    AnsiString stored; // the parent as stored, so new children keep its letter case
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find('\\', start);
        if (end == AnsiString::npos)
            end = path.size();
        AnsiString candidate =
            stored.empty() ? path.substr(0, end) : stored + path.substr(start - 1, end - start + 1);
        auto found = keys_.find(candidate);
        if (found == keys_.end()) {
            found = keys_.emplace(candidate, RegKey{}).first;
            created = end == path.size();
        }
        stored = found->first;
        start = end + 1;
    }
    return *Find(path);
}

bool RegistryHive::Remove(const AnsiString& path) {
    if (path.empty() || HasSubkeys(path))
        return false;
    return keys_.erase(path) > 0;
}

bool RegistryHive::HasSubkeys(const AnsiString& path) const {
    return !SubkeyNames(path).empty();
}

std::vector<AnsiString> RegistryHive::SubkeyNames(const AnsiString& path) const {
    std::vector<AnsiString> names;
    AnsiString prefix = path.empty() ? AnsiString() : path + '\\';
    for (auto it = keys_.lower_bound(prefix); it != keys_.end(); ++it) {
        const AnsiString& candidate = it->first;
        if (candidate.empty())
            continue; // the hive root itself
        if (candidate.size() <= prefix.size() ||
            !SameName(candidate.substr(0, prefix.size()), prefix))
            break;
        AnsiString rest = candidate.substr(prefix.size());
        if (rest.find('\\') == AnsiString::npos)
            names.push_back(rest);
    }
    return names;
}

AnsiString RegistryHive::StoredPath(const AnsiString& path) const {
    auto found = keys_.find(path);
    return found == keys_.end() ? AnsiString() : found->first;
}
