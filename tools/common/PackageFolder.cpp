#include "PackageFolder.h"

#include <algorithm>
#include <deque>
#include <functional>

namespace brisel::tools {

namespace fs = std::filesystem;

namespace {

// As many links as a POSIX system follows in one path before it gives up.
constexpr int kMaxLinks = 40;

bool FoldedEqual(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; };
        return fold(x) == fold(y);
    });
}

bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

// The components of a link target, in order, root excluded.
std::vector<std::string> Components(const fs::path& path) {
    std::vector<std::string> names;
    for (const auto& part : path.relative_path()) {
        if (!part.empty()) {
            names.push_back(part.u8string());
        }
    }
    return names;
}

fs::path Parent(const fs::path& path) {
    return path == path.root_path() ? path : path.parent_path();
}

// Follows names from the resolved folder start, one component at a time,
// reading each link's target and going on from where it points; every
// path given to the host is resolved up to its last name.
Item Walk(IHostFiles& host, fs::path current, std::deque<std::string> pending) {
    Item item{ItemKind::Folder};
    int links = 0;
    while (!pending.empty()) {
        const std::string name = std::move(pending.front());
        pending.pop_front();
        if (name.empty() || name == ".") {
            continue;
        }
        if (item.kind != ItemKind::Folder) {
            return {ItemKind::Missing, current};
        }
        if (name == "..") {
            current = Parent(current);
            continue;
        }
        const fs::path next = current / fs::u8path(name);
        const HostEntry entry = host.Look(next);
        switch (entry.kind) {
        case HostKind::Link: {
            const auto target = ++links > kMaxLinks ? std::nullopt : host.LinkTarget(next);
            if (!target) {
                return {ItemKind::Outside};
            }
            item.throughLink = true;
            const std::vector<std::string> names = Components(*target);
            pending.insert(pending.begin(), names.begin(), names.end());
            if (target->is_absolute()) {
                current = target->root_path();
            }
            continue;
        }
        case HostKind::Missing:
            return {ItemKind::Missing, current, 0, item.throughLink};
        case HostKind::NameTooLong:
            return {ItemKind::NameTooLong, current, 0, item.throughLink};
        case HostKind::File:
            item.kind = ItemKind::File;
            item.size = entry.size;
            break;
        case HostKind::Folder:
            item.kind = ItemKind::Folder;
            break;
        case HostKind::Other:
            item.kind = ItemKind::Other;
            break;
        }
        current = next;
    }
    item.physical = current;
    return item;
}

} // namespace

PackageFolder::PackageFolder(IHostFiles& host, const fs::path& folder) : host_(host) {
    const auto root = host.Canonical(folder);
    if (!root || host.Look(*root).kind != HostKind::Folder) {
        throw PackageFolderMissing(folder.u8string());
    }
    root_ = *root;
    payloads_ = Locate(Area::Package, {"files"});
}

bool PackageFolder::Within(const fs::path& path, const fs::path& base) const {
    auto at = path.begin();
    for (const auto& part : base) {
        if (part.empty()) {
            continue;
        }
        if (at == path.end()) {
            return false;
        }
        const bool same =
            host_.CaseSensitive() ? *at == part : FoldedEqual(at->u8string(), part.u8string());
        if (!same) {
            return false;
        }
        ++at;
    }
    return true;
}

bool PackageFolder::Holds(const fs::path& physical) const {
    return Within(physical, root_);
}

Item PackageFolder::Locate(Area area, const std::vector<std::string>& names) const {
    if (!std::all_of(names.begin(), names.end(), IsPlainName)) {
        return {ItemKind::Outside};
    }
    if (area == Area::Payloads && payloads_.kind != ItemKind::Folder) {
        return {payloads_.kind == ItemKind::Outside ? ItemKind::Outside : ItemKind::Missing};
    }
    const fs::path& base = area == Area::Package ? root_ : payloads_.physical;
    Item item = Walk(host_, base, std::deque<std::string>(names.begin(), names.end()));
    if (item.kind != ItemKind::Outside && !Within(item.physical, base)) {
        return {ItemKind::Outside, {}, 0, true};
    }
    if (item.kind == ItemKind::Missing || item.kind == ItemKind::NameTooLong) {
        item.physical.clear();
    }
    return item;
}

std::string PackageFolder::Read(const Item& item) const {
    if (item.kind != ItemKind::File || !Holds(item.physical)) {
        throw std::logic_error("PackageFolder::Read: not a located file");
    }
    return host_.ReadFile(item.physical);
}

std::vector<std::string> PackageFolder::List(const Item& folder) const {
    if (folder.kind != ItemKind::Folder || !Holds(folder.physical)) {
        throw std::logic_error("PackageFolder::List: not a located folder");
    }
    return host_.ListFolder(folder.physical);
}

std::vector<std::vector<std::string>> PackageFolder::PayloadTree() const {
    std::vector<std::vector<std::string>> tree;
    if (payloads_.kind != ItemKind::Folder) {
        return tree;
    }
    std::function<void(const fs::path&, std::vector<std::string>&)> visit =
        [&](const fs::path& folder, std::vector<std::string>& names) {
            std::vector<std::string> listed = host_.ListFolder(folder);
            std::sort(listed.begin(), listed.end());
            for (const auto& name : listed) {
                const fs::path path = folder / fs::u8path(name);
                names.push_back(name);
                if (host_.Look(path).kind == HostKind::Folder) {
                    visit(path, names);
                } else {
                    tree.push_back(names);
                }
                names.pop_back();
            }
        };
    std::vector<std::string> names;
    visit(payloads_.physical, names);
    return tree;
}

std::string PackageFolder::ShownInPayloads(const fs::path& physical) const {
    std::string shown = "files";
    auto at = physical.begin();
    for (auto base = payloads_.physical.begin();
         base != payloads_.physical.end() && at != physical.end(); ++base) {
        ++at;
    }
    for (; at != physical.end(); ++at) {
        shown += "/" + at->u8string();
    }
    return shown;
}

} // namespace brisel::tools
