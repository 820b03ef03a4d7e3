// Host substitute for the registry: the in-memory store of RegistryStore.h.
// Key and value names are compared with ASCII letter case ignored; a key name
// holding "\" (not a trail byte) names several levels.
#include "platform/Registry.h"

#include "RegistryStore.h"
#include "core/Mbcs.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace brisel::substitute {

namespace {

std::string Fold(const std::string& name) {
    std::string folded = name;
    for (std::size_t i = 0; i < folded.size(); ++i) {
        if (folded[i] >= 'a' && folded[i] <= 'z' && ByteKindAt(name, i) == ByteKind::Single) {
            folded[i] = static_cast<char>(folded[i] - 'a' + 'A');
        }
    }
    return folded;
}

// Cuts a key name into its levels; false when one of them is empty. An
// empty name has no levels and names the key itself.
bool SplitLevels(const std::string& name, std::vector<std::string>& levels) {
    levels.clear();
    if (name.empty()) {
        return true;
    }
    std::string level;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (IsSingleByteChar(name, i, '\\')) {
            levels.push_back(level);
            level.clear();
        } else {
            level += name[i];
        }
    }
    levels.push_back(level);
    return std::none_of(levels.begin(), levels.end(), [](const auto& l) { return l.empty(); });
}

} // namespace

RegistryStore::RegistryStore() {
    const std::pair<std::uint32_t, const char*> names[] = {
        {kClassesRoot, "HKEY_CLASSES_ROOT"},     {kCurrentUser, "HKEY_CURRENT_USER"},
        {kLocalMachine, "HKEY_LOCAL_MACHINE"},   {kUsers, "HKEY_USERS"},
        {kCurrentConfig, "HKEY_CURRENT_CONFIG"}, {kDynData, "HKEY_DYN_DATA"},
    };
    for (const auto& [number, name] : names) {
        auto node = std::make_unique<RegistryNode>();
        node->path = name;
        roots_[platform::PredefinedRegistryKey(number)] = std::move(node);
    }
}

RegistryNode& RegistryStore::CreateKey(std::uint32_t root, const std::string& keyPath) {
    RegistryNode* node = Root(platform::PredefinedRegistryKey(root));
    std::vector<std::string> levels;
    if (node == nullptr || !SplitLevels(keyPath, levels)) {
        throw std::invalid_argument("no such root, or an empty key level: " + keyPath);
    }
    for (const auto& level : levels) {
        auto& child = node->subkeys[Fold(level)];
        if (!child) {
            child = std::make_unique<RegistryNode>();
            child->path = node->path + "\\" + level;
        }
        node = child.get();
    }
    return *node;
}

void RegistryStore::SetValue(std::uint32_t root, const std::string& keyPath,
                             const std::string& name, std::uint32_t type, std::string data) {
    CreateKey(root, keyPath).values[Fold(name)] = RegistryValue{type, std::move(data)};
}

void RegistryStore::SetText(std::uint32_t root, const std::string& keyPath, const std::string& name,
                            const std::string& text, std::uint32_t type) {
    SetValue(root, keyPath, name, type, text + '\0');
}

RegistryNode* RegistryStore::Root(platform::RegistryKey key) {
    const auto found = roots_.find(key);
    return found == roots_.end() ? nullptr : found->second.get();
}

RegistryNode* RegistryStore::Find(platform::RegistryKey key) {
    if (RegistryNode* root = Root(key)) {
        return root;
    }
    const auto found = open.find(key);
    return found == open.end() ? nullptr : found->second;
}

RegistryStore& Registry() {
    static RegistryStore store;
    return store;
}

void ResetRegistry() {
    Registry() = RegistryStore();
}

} // namespace brisel::substitute

namespace brisel::platform {

using substitute::Registry;
using substitute::RegistryNode;

bool OpenRegistryKeyRead(RegistryKey base, const char* name, RegistryKey& opened) {
    auto& store = Registry();
    RegistryNode* node = store.Find(base);
    std::vector<std::string> levels;
    if (node == nullptr || !substitute::SplitLevels(name, levels)) {
        ++store.failedOpens;
        return false;
    }
    for (const auto& level : levels) {
        const auto child = node->subkeys.find(substitute::Fold(level));
        if (child == node->subkeys.end()) {
            ++store.failedOpens;
            return false;
        }
        node = child->second.get();
    }
    if (!node->readable) {
        ++store.failedOpens;
        return false;
    }
    opened = store.nextHandle++;
    store.open[opened] = node;
    store.openedPaths.push_back(node->path);
    store.mostOpenAtOnce = std::max(store.mostOpenAtOnce, store.open.size());
    return true;
}

bool QueryRegistryValue(RegistryKey key, const char* name, std::uint32_t& type, unsigned char* data,
                        std::uint32_t& size) {
    auto& store = Registry();
    store.queries.push_back({key, name, data != nullptr});
    if (store.beforeQuery) {
        store.beforeQuery(name, data != nullptr);
    }
    RegistryNode* node = store.Find(key);
    if (node == nullptr) {
        return false;
    }
    const auto value = node->values.find(substitute::Fold(name));
    if (value == node->values.end()) {
        return false;
    }
    // Text values are kept as the tests write them, Shift-JIS, and handed
    // out as UTF-16, as the system hands them to the wide query.
    type = value->second.type;
    const bool text = type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
    std::string bytes = value->second.data;
    if (text) {
        const WideString wide = FromShiftJis(bytes);
        bytes.assign(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(char16_t));
    }
    if (data != nullptr && size < bytes.size()) {
        size = static_cast<std::uint32_t>(bytes.size());
        return false;
    }
    if (data != nullptr) {
        std::memcpy(data, bytes.data(), bytes.size());
    }
    size = static_cast<std::uint32_t>(bytes.size());
    return true;
}

void CloseRegistryKey(RegistryKey key) {
    auto& store = Registry();
    if (store.open.erase(key) == 0) {
        ++store.invalidCloses;
        return;
    }
    ++store.closes;
}

} // namespace brisel::platform
