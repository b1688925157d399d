#include "platform/win32/RegistryHive.h"

#include <utility>

namespace {
// Calls step with each non-empty component of the path, in order, while it returns true;
// false when a step stopped the walk.
template <class Step> bool EachComponent(const AnsiString& path, Step&& step) {
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find('\\', start);
        if (end == AnsiString::npos)
            end = path.size();
        if (end > start && !step(path.substr(start, end - start)))
            return false;
        start = end + 1;
    }
    return true;
}
} // namespace

bool SameName(const AnsiString& a, const AnsiString& b) {
    return SameText(a, b);
}

bool KeyPathLess::operator()(const AnsiString& a, const AnsiString& b) const {
    return CompareText(a, b) < 0;
}

AnsiString NormalizeKeyPath(const AnsiString& path) {
    AnsiString result;
    EachComponent(path, [&](const AnsiString& name) {
        if (!result.empty())
            result += '\\';
        result += name;
        return true;
    });
    return result;
}

AnsiString JoinKeyPath(const AnsiString& base, const AnsiString& sub) {
    return NormalizeKeyPath(base + '\\' + sub);
}

const char* KeyPathBeyondLimits(const AnsiString& path) {
    size_t depth = 0;
    const char* reason = nullptr;
    EachComponent(path, [&](const AnsiString& name) {
        if (name.size() > MAX_KEY_NAME_LENGTH)
            reason = "key name longer than 255 characters";
        else if (++depth > MAX_KEY_DEPTH)
            reason = "key nested deeper than 512 levels";
        return reason == nullptr;
    });
    return reason;
}

const RegValue* RegKey::FindValue(const AnsiString& name) const {
    auto found = places_.find(name);
    return found == places_.end() ? nullptr : &values[found->second];
}

void RegKey::SetValue(const AnsiString& name, DWORD type, std::string data) {
    auto [place, added] = places_.emplace(name, values.size());
    if (added) {
        values.push_back({name, type, std::move(data)});
        return;
    }
    RegValue& value = values[place->second];
    value.type = type;
    value.data = std::move(data);
}

bool RegKey::DeleteValue(const AnsiString& name) {
    auto found = places_.find(name);
    if (found == places_.end())
        return false;
    const size_t index = found->second;
    places_.erase(found);
    values.erase(values.begin() + static_cast<std::ptrdiff_t>(index));
    for (auto& [other, place] : places_)
        if (place > index)
            --place;
    return true;
}

RegistryHive::RegistryHive(const RegistryHive& other) {
    CopyTree(other.root_, root_);
}

RegistryHive& RegistryHive::operator=(const RegistryHive& other) {
    if (this != &other) {
        RegistryHive copy(other);
        *this = std::move(copy);
    }
    return *this;
}

void RegistryHive::CopyTree(const Node& from, Node& to) {
    to.key = from.key;
    for (const auto& [name, subkey] : from.subkeys)
        CopyTree(*subkey, *to.subkeys.emplace(name, std::make_unique<Node>()).first->second);
}

const RegistryHive::Node* RegistryHive::FindNode(const AnsiString& path) const {
    const Node* node = &root_;
    bool found = EachComponent(path, [&](const AnsiString& name) {
        auto subkey = node->subkeys.find(name);
        node = subkey == node->subkeys.end() ? nullptr : subkey->second.get();
        return node != nullptr;
    });
    return found ? node : nullptr;
}

const RegKey* RegistryHive::Find(const AnsiString& path) const {
    const Node* node = FindNode(path);
    return node ? &node->key : nullptr;
}

RegistryHive::Node* RegistryHive::FindNode(const AnsiString& path) {
    return const_cast<Node*>(std::as_const(*this).FindNode(path));
}

RegKey* RegistryHive::Find(const AnsiString& path) {
    Node* node = FindNode(path);
    return node ? &node->key : nullptr;
}

RegKey& RegistryHive::Create(const AnsiString& path, bool& created) {
    created = false;
    Node* node = &root_;
    EachComponent(path, [&](const AnsiString& name) {
        auto [subkey, added] = node->subkeys.try_emplace(name);
        if (added)
            subkey->second = std::make_unique<Node>();
        created = added;
        node = subkey->second.get();
        return true;
    });
    return node->key;
}

bool RegistryHive::Remove(const AnsiString& path) {
    const Node* node = FindNode(path);
    if (!node || node == &root_ || !node->subkeys.empty())
        return false;
    RemoveTree(path);
    return true;
}

void RegistryHive::RemoveTree(const AnsiString& path) {
    const AnsiString normalized = NormalizeKeyPath(path);
    if (normalized.empty()) {
        root_.subkeys.clear();
        return;
    }
    const size_t split = normalized.rfind('\\');
    const bool belowRoot = split == AnsiString::npos;
    if (Node* parent = belowRoot ? &root_ : FindNode(normalized.substr(0, split)))
        parent->subkeys.erase(belowRoot ? normalized : normalized.substr(split + 1));
}

bool RegistryHive::HasSubkeys(const AnsiString& path) const {
    const Node* node = FindNode(path);
    return node && !node->subkeys.empty();
}

std::vector<AnsiString> RegistryHive::SubkeyNames(const AnsiString& path) const {
    std::vector<AnsiString> names;
    if (const Node* node = FindNode(path))
        for (const auto& [name, subkey] : node->subkeys)
            names.push_back(name);
    return names;
}

AnsiString RegistryHive::StoredPath(const AnsiString& path) const {
    AnsiString stored;
    const Node* node = &root_;
    bool found = EachComponent(path, [&](const AnsiString& name) {
        auto subkey = node->subkeys.find(name);
        if (subkey == node->subkeys.end())
            return false;
        if (!stored.empty())
            stored += '\\';
        stored += subkey->first;
        node = subkey->second.get();
        return true;
    });
    return found ? stored : AnsiString();
}

void RegistryHive::ForEachKey(const KeyVisitor& visit) const {
    AnsiString path;
    VisitTree(root_, path, visit);
}

void RegistryHive::VisitTree(const Node& node, AnsiString& path, const KeyVisitor& visit) {
    visit(path, node.key, !node.subkeys.empty());
    for (const auto& [name, subkey] : node.subkeys) {
        const size_t parentLength = path.size();
        if (!path.empty())
            path += '\\';
        path += name;
        VisitTree(*subkey, path, visit);
        path.resize(parentLength);
    }
}
