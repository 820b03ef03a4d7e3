// Owners of Win32 kernel handles, closed on every path out.
#pragma once

#include <windows.h>

namespace brisel::platform {

class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    void Reset(HANDLE handle) {
        Close();
        handle_ = handle;
    }
    // Closes the handle; false when the system reports an error.
    bool Close() {
        const bool ok = !Valid() || CloseHandle(handle_) != 0;
        handle_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

} // namespace brisel::platform
