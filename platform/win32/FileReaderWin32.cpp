#include "platform/win32/FileReaderWin32.h"

#include "platform/win32/Handles.h"
#include "platform/win32/LongPath.h"
#include "platform/win32/WideText.h"

#include <windows.h>

namespace brisel::platform {

namespace {

class Win32FileReader : public FileReader {
public:
    Win32FileReader(win32::FileHandle file, std::uint64_t size)
        : file_(std::move(file)), size_(size) {}

    std::uint64_t Size() const override { return size_; }

    bool ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override {
        if (offset > size_ || size > size_ - offset) {
            return false;
        }
        LARGE_INTEGER position;
        position.QuadPart = static_cast<LONGLONG>(offset);
        if (!SetFilePointerEx(file_.Get(), position, nullptr, FILE_BEGIN)) {
            return false;
        }
        while (size > 0) {
            const DWORD piece = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
            DWORD read = 0;
            if (!ReadFile(file_.Get(), buffer, piece, &read, nullptr) || read != piece) {
                return false;
            }
            buffer += piece;
            size -= piece;
        }
        return true;
    }

private:
    win32::FileHandle file_;
    std::uint64_t size_;
};

} // namespace

std::unique_ptr<FileReader> OpenFileForReading(const WideString& path) {
    win32::FileHandle file(CreateFileW(win32::Wide(win32::LongPathForm(path)), GENERIC_READ,
                                       FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return win32::ReaderOf(std::move(file));
}

} // namespace brisel::platform

namespace brisel {

std::unique_ptr<platform::FileReader> win32::ReaderOf(FileHandle file) {
    LARGE_INTEGER size;
    if (!file.Valid() || !GetFileSizeEx(file.Get(), &size)) {
        return nullptr;
    }
    return std::make_unique<platform::Win32FileReader>(std::move(file),
                                                       static_cast<std::uint64_t>(size.QuadPart));
}

} // namespace brisel
