// The machine's files on Windows, through the wide-character file API.
// Reparse points (symbolic links, junctions) are reported as links that
// are not followed: the package tools then read nothing through them.
#include "common/HostFiles.h"
#include "platform/win32/Handles.h"

#include <windows.h>

namespace brisel::tools {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const fs::path& path) {
    throw HostIoError(path.u8string() + ": cannot be read (error " +
                      std::to_string(GetLastError()) + ")");
}

bool IsAbsence(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH;
}

// A file search, closed on every path out.
class FindHandle {
public:
    explicit FindHandle(HANDLE handle) : handle_(handle) {}
    ~FindHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            FindClose(handle_);
        }
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

class Win32HostFiles : public IHostFiles {
public:
    HostEntry Look(const fs::path& path) override {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILENAME_EXCED_RANGE) {
                return {HostKind::NameTooLong};
            }
            if (IsAbsence(error)) {
                return {HostKind::Missing};
            }
            Fail(path);
        }
        if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            return {HostKind::Link};
        }
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            return {HostKind::Folder};
        }
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) {
            return {HostKind::Other};
        }
        return {HostKind::File,
                (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow};
    }

    std::optional<fs::path> LinkTarget(const fs::path&) override { return std::nullopt; }

    std::string ReadFile(const fs::path& path) override {
        win32::FileHandle file(
            CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!file.Valid()) {
            Fail(path);
        }
        std::string bytes;
        char buffer[65536];
        for (;;) {
            DWORD got = 0;
            if (!::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) {
                Fail(path);
            }
            if (got == 0) {
                return bytes;
            }
            bytes.append(buffer, got);
        }
    }

    std::vector<std::string> ListFolder(const fs::path& path) override {
        std::vector<std::string> names;
        WIN32_FIND_DATAW data{};
        FindHandle find(FindFirstFileW((path / L"*").c_str(), &data));
        if (find.Get() == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_NOT_FOUND) {
                return names;
            }
            Fail(path);
        }
        do {
            const std::wstring name = data.cFileName;
            if (name != L"." && name != L"..") {
                names.push_back(fs::path(name).u8string());
            }
        } while (FindNextFileW(find.Get(), &data));
        return names;
    }

    std::optional<fs::path> Canonical(const fs::path& path) override {
        const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
        if (needed == 0) {
            return std::nullopt;
        }
        std::wstring full(needed, L'\0');
        const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
        if (length == 0 || length >= needed) {
            return std::nullopt;
        }
        full.resize(length);
        if (GetFileAttributesW(full.c_str()) == INVALID_FILE_ATTRIBUTES) {
            return std::nullopt;
        }
        return fs::path(full);
    }

    bool CaseSensitive() const override { return false; }
};

} // namespace

std::unique_ptr<IHostFiles> MakeHostFiles() {
    return std::make_unique<Win32HostFiles>();
}

} // namespace brisel::tools
