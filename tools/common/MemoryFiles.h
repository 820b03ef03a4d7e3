// An in-memory file tree for the tests and the fuzzer: POSIX-style absolute
// paths ("/pkg/files/a.dat"), folders, files, links and special files. It
// records every path whose content or listing was asked for, so a caller can
// prove that nothing outside a folder was ever opened.
#pragma once

#include "HostFiles.h"

#include <map>

namespace brisel::tools {

class MemoryFiles : public IHostFiles {
public:
    // Each adds the missing parent folders too.
    void AddFile(const std::string& path, std::string bytes);
    void AddFolder(const std::string& path);
    void AddLink(const std::string& path, const std::string& target);
    void AddOther(const std::string& path); // a pipe or a device
    // A path that exists but cannot be read.
    void AddUnreadable(const std::string& path);

    // The paths given to ReadFile and ListFolder, in call order.
    const std::vector<std::string>& Opened() const { return opened_; }

    HostEntry Look(const std::filesystem::path& path) override;
    std::optional<std::filesystem::path> LinkTarget(const std::filesystem::path& path) override;
    std::string ReadFile(const std::filesystem::path& path) override;
    std::vector<std::string> ListFolder(const std::filesystem::path& path) override;
    // The path itself when it names an existing entry (links are not
    // resolved: the tests name real folders).
    std::optional<std::filesystem::path> Canonical(const std::filesystem::path& path) override;
    bool CaseSensitive() const override { return true; }

private:
    struct Node {
        HostKind kind = HostKind::Folder;
        std::string bytes{}; // a file's content, a link's target
        bool unreadable = false;
    };

    void Add(const std::string& path, Node node);
    const Node* Find(const std::filesystem::path& path) const;

    std::map<std::string, Node> nodes_{{"/", Node{}}};
    std::vector<std::string> opened_;
};

} // namespace brisel::tools
