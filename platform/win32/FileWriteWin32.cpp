// Writing a payload file so that the file being replaced is never left
// truncated or half written: the bytes go to a new temporary file in the
// same folder, which replaces the destination in one step once it is
// complete and flushed. Where no temporary file can be made beside the
// destination (its name would exceed the path limit of a deep folder, or
// the folder refuses new files), the file is written in place instead, so
// the temporary file never makes a write fail that a plain write would do.
#include "platform/Files.h"

#include "core/Exceptions.h"
#include "core/TextUtils.h"
#include "platform/win32/Handles.h"
#include "platform/win32/LongPath.h"
#include "platform/win32/WideText.h"

#include <windows.h>

namespace brisel::platform {

namespace {

using win32::Wide;

[[noreturn]] void Fail(const WideString& path) {
    throw EFileWriteError::CannotCreate(path);
}

// Payload bytes are pages of the mapped image that have not been read yet.
// Copying them through one reused buffer of 1 MiB hands the system small,
// resident blocks to write, which Wine writes much faster than one call
// over hundreds of megabytes of mapped pages; the buffer lives as long as
// the process and costs no more than its own size.
constexpr std::size_t kWriteBlock = 1u << 20;

char* WriteBuffer() {
    static char* const buffer = static_cast<char*>(
        VirtualAlloc(nullptr, kWriteBlock, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    return buffer;
}

// Writes the whole content to the file; false on any error, short write or
// content that cannot be read.
bool WriteBytes(HANDLE file, FileContent& content) {
    char* const buffer = WriteBuffer();
    if (buffer == nullptr) {
        return false;
    }
    const std::uint64_t size = content.Size();
    for (std::uint64_t done = 0; done < size;) {
        const std::uint64_t left = size - done;
        const DWORD block = static_cast<DWORD>(left < kWriteBlock ? left : kWriteBlock);
        if (!content.Read(buffer, block)) {
            return false;
        }
        DWORD written = 0;
        if (!WriteFile(file, buffer, block, &written, nullptr) || written != block) {
            return false;
        }
        done += block;
    }
    return true;
}

// The temporary file: created with create-new semantics under a name that
// nothing in the folder has, removed again unless it was moved into place.
class TemporaryFile {
public:
    // destination is in its long form where it needs one.
    explicit TemporaryFile(const WideString& destination) {
        const WideString folder = DirectoryOfPath(destination);
        const DWORD stamp = GetCurrentProcessId() ^ GetTickCount();
        for (unsigned attempt = 0; attempt < 1000 && !handle_.Valid(); ++attempt) {
            wchar_t suffix[32];
            wsprintfW(suffix, L"~bp%08lX.%03u.tmp", static_cast<unsigned long>(stamp), attempt);
            path_ = win32::LongPathForm(folder + win32::FromWide(suffix));
            handle_.Reset(CreateFileW(Wide(path_), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!handle_.Valid() && GetLastError() != ERROR_FILE_EXISTS &&
                GetLastError() != ERROR_ALREADY_EXISTS) {
                break;
            }
        }
        if (!handle_.Valid()) {
            path_.clear();
        }
    }
    ~TemporaryFile() {
        handle_.Close();
        if (!path_.empty()) {
            DeleteFileW(Wide(path_));
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool Created() const { return handle_.Valid(); }
    const WideString& Path() const { return path_; }

    // Writes the whole content and flushes it to the disk; false on a short
    // write or content that does not verify.
    bool WriteAll(FileContent& content) {
        return WriteBytes(handle_.Get(), content) && content.Verified() &&
               FlushFileBuffers(handle_.Get()) != 0 && handle_.Close();
    }

    // The file now lives under another name and must not be deleted.
    void Release() { path_.clear(); }

private:
    win32::FileHandle handle_;
    WideString path_;
};

// An existing destination must open for reading and writing without
// sharing, as a plain overwrite would need: a locked, read-only or refused
// file fails here, before anything is written.
bool DestinationExists(const WideString& path) {
    win32::FileHandle existing(CreateFileW(Wide(path), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (existing.Valid()) {
        return true;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) {
        return false;
    }
    Fail(path);
}

bool MoveIntoPlace(const WideString& temp, const WideString& destination, bool replacing) {
    const wchar_t* const from = Wide(temp);
    const wchar_t* const to = Wide(destination);
    if (replacing) {
        using ReplaceFileFn = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR, DWORD, LPVOID, LPVOID);
        const auto replace = reinterpret_cast<ReplaceFileFn>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "ReplaceFileW")));
        if (replace != nullptr) {
            if (replace(to, from, nullptr, REPLACEFILE_WRITE_THROUGH, nullptr, nullptr)) {
                return true;
            }
            // The replace keeps the old file's attributes; where it fails
            // (some systems cannot replace through long paths, or the old
            // file is already gone), the one-step rename below still gives
            // the new file its name, and fails as well where the old file
            // is held open.
        }
    }
    return MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// The plain write: opened for reading and writing without sharing, created
// or truncated, written whole and flushed to the disk, closed on every path.
void WriteInPlace(const WideString& path, FileContent& content) {
    win32::FileHandle file(CreateFileW(Wide(path), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid() || !WriteBytes(file.Get(), content) || !content.Verified() ||
        FlushFileBuffers(file.Get()) == 0 || !file.Close()) {
        Fail(path);
    }
}

} // namespace

void WriteWholeFile(const WideString& destination, FileContent& content) {
    const WideString path = win32::LongPathForm(destination);
    const bool replacing = DestinationExists(path);
    TemporaryFile temp(path);
    if (!temp.Created()) {
        if (!content.MayWriteInPlace()) {
            Fail(path);
        }
        WriteInPlace(path, content);
        return;
    }
    if (!temp.WriteAll(content) || !MoveIntoPlace(temp.Path(), path, replacing)) {
        Fail(path);
    }
    temp.Release();
}

} // namespace brisel::platform
