#include "PlayerMachine.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <fstream>
#include <iterator>

namespace brisel::e2e {

namespace {

template <typename Interface> struct ComRef {
    Interface* p = nullptr;
    ~ComRef() {
        if (p != nullptr) {
            p->Release();
        }
    }
};

std::wstring ParentOf(const std::wstring& path) {
    const auto slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

} // namespace

PlayerMachine::~PlayerMachine() {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) {
        if (it->second) {
            RemoveDirectoryW(it->first.c_str());
        } else {
            SetFileAttributesW(it->first.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(it->first.c_str());
        }
    }
}

std::wstring PlayerMachine::ProgramsFolder(bool allUsers) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, allUsers ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS, nullptr, 0, path);
    return path;
}

void PlayerMachine::Remember(const std::wstring& path, bool folder) {
    for (const auto& made : made_) {
        if (made.first == path) {
            return;
        }
    }
    made_.emplace_back(path, folder);
}

void PlayerMachine::MakeFolder(const std::wstring& folder) {
    if (folder.empty() || GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return;
    }
    MakeFolder(ParentOf(folder));
    if (CreateDirectoryW(folder.c_str(), nullptr)) {
        Remember(folder, true);
    }
}

void PlayerMachine::WriteFile(const std::wstring& path, const std::string& bytes) {
    MakeFolder(ParentOf(path));
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out << bytes;
    Remember(path, false);
}

bool PlayerMachine::CopyInto(const std::wstring& from, const std::wstring& to) {
    MakeFolder(ParentOf(to));
    if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) {
        return false;
    }
    Remember(to, false);
    return true;
}

bool PlayerMachine::MakeShortcut(bool allUsers, const std::wstring& relativeLink,
                                 const std::wstring& target) {
    const std::wstring link = ProgramsFolder(allUsers) + L"\\" + relativeLink;
    MakeFolder(ParentOf(link));
    CoInitialize(nullptr);
    bool saved = false;
    {
        ComRef<IShellLinkW> shellLink;
        ComRef<IPersistFile> file;
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IShellLinkW, reinterpret_cast<void**>(&shellLink.p))) &&
            SUCCEEDED(shellLink.p->SetPath(target.c_str())) &&
            SUCCEEDED(shellLink.p->SetWorkingDirectory(ParentOf(target).c_str())) &&
            SUCCEEDED(
                shellLink.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p)))) {
            saved = SUCCEEDED(file.p->Save(link.c_str(), TRUE));
        }
    }
    CoUninitialize();
    if (saved) {
        Remember(link, false);
    }
    return saved;
}

std::string ReadWholeFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::wstring> FolderEntries(const std::wstring& folder, const std::wstring& pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") {
            names.push_back(name);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

} // namespace brisel::e2e
