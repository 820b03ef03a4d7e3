#include "MemoryFiles.h"

namespace brisel::tools {

namespace fs = std::filesystem;

namespace {

// Linux's limit on one name, so that over-long names behave as on a host.
constexpr std::size_t kMaxNameBytes = 255;

std::string Key(const fs::path& path) {
    std::string key = path.lexically_normal().generic_string();
    while (key.size() > 1 && key.back() == '/') {
        key.pop_back();
    }
    return key;
}

bool HasOverlongName(const fs::path& path) {
    for (const auto& name : path) {
        if (name.native().size() > kMaxNameBytes) {
            return true;
        }
    }
    return false;
}

} // namespace

void MemoryFiles::Add(const std::string& path, Node node) {
    const fs::path full(path);
    fs::path parent = full.parent_path();
    for (fs::path folder = parent; Key(folder) != "/"; folder = folder.parent_path()) {
        nodes_.emplace(Key(folder), Node{});
    }
    nodes_[Key(full)] = std::move(node);
}

void MemoryFiles::AddFile(const std::string& path, std::string bytes) {
    Add(path, Node{HostKind::File, std::move(bytes)});
}

void MemoryFiles::AddFolder(const std::string& path) {
    Add(path, Node{});
}

void MemoryFiles::AddLink(const std::string& path, const std::string& target) {
    Add(path, Node{HostKind::Link, target});
}

void MemoryFiles::AddOther(const std::string& path) {
    Add(path, Node{HostKind::Other});
}

void MemoryFiles::AddUnreadable(const std::string& path) {
    Node node{HostKind::File};
    node.unreadable = true;
    Add(path, node);
}

const MemoryFiles::Node* MemoryFiles::Find(const fs::path& path) const {
    const auto it = nodes_.find(Key(path));
    return it == nodes_.end() ? nullptr : &it->second;
}

HostEntry MemoryFiles::Look(const fs::path& path) {
    if (HasOverlongName(path)) {
        return {HostKind::NameTooLong};
    }
    const Node* node = Find(path);
    if (node == nullptr) {
        return {HostKind::Missing};
    }
    return {node->kind, node->kind == HostKind::File ? node->bytes.size() : 0};
}

std::optional<fs::path> MemoryFiles::LinkTarget(const fs::path& path) {
    const Node* node = Find(path);
    if (node == nullptr || node->kind != HostKind::Link) {
        throw HostIoError(path.generic_string() + ": not a link");
    }
    return fs::path(node->bytes);
}

std::string MemoryFiles::ReadFile(const fs::path& path) {
    opened_.push_back(Key(path));
    const Node* node = Find(path);
    if (node == nullptr || node->kind != HostKind::File || node->unreadable) {
        throw HostIoError(path.generic_string() + ": cannot be read");
    }
    return node->bytes;
}

std::vector<std::string> MemoryFiles::ListFolder(const fs::path& path) {
    const std::string key = Key(path);
    opened_.push_back(key);
    const Node* node = Find(path);
    if (node == nullptr || node->kind != HostKind::Folder || node->unreadable) {
        throw HostIoError(key + ": cannot be listed");
    }
    const std::string prefix = key == "/" ? key : key + "/";
    std::vector<std::string> names;
    for (auto it = nodes_.lower_bound(prefix); it != nodes_.end(); ++it) {
        if (it->first.compare(0, prefix.size(), prefix) != 0) {
            break;
        }
        const std::string rest = it->first.substr(prefix.size());
        if (!rest.empty() && rest.find('/') == std::string::npos) {
            names.push_back(rest);
        }
    }
    return names;
}

std::optional<fs::path> MemoryFiles::Canonical(const fs::path& path) {
    if (Find(path) == nullptr) {
        return std::nullopt;
    }
    return fs::path(Key(path));
}

} // namespace brisel::tools
