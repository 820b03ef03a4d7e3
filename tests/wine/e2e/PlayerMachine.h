// The Wine prefix set up as a player's machine: a game folder with its
// executable and its Start-menu shortcut, made with the shell's own link
// object. Everything made is removed again when the object goes.
#pragma once

#include <string>
#include <vector>

namespace brisel::e2e {

class PlayerMachine {
public:
    PlayerMachine() = default;
    ~PlayerMachine();
    PlayerMachine(const PlayerMachine&) = delete;
    PlayerMachine& operator=(const PlayerMachine&) = delete;

    // The per-user or all-users Programs folder.
    static std::wstring ProgramsFolder(bool allUsers);

    // A game folder (created with its parents) holding the given files.
    void MakeFolder(const std::wstring& folder);
    void WriteFile(const std::wstring& path, const std::string& bytes);
    bool CopyInto(const std::wstring& from, const std::wstring& to);
    // A shortcut at folder\relativeLink below a Programs folder to target.
    bool MakeShortcut(bool allUsers, const std::wstring& relativeLink, const std::wstring& target);

private:
    void Remember(const std::wstring& path, bool folder);
    std::vector<std::pair<std::wstring, bool>> made_; // path, is a folder
};

std::string ReadWholeFile(const std::wstring& path);
bool FileExists(const std::wstring& path);
// Names of the entries of folder that match pattern (e.g. "*.tmp").
std::vector<std::wstring> FolderEntries(const std::wstring& folder, const std::wstring& pattern);

} // namespace brisel::e2e
