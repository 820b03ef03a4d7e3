// File-system services: the existence test, and the new content of a file
// as the writer takes it (platform/GameFolder.h writes it). Paths are
// UTF-16 as the system names them; a path longer than the classic limit of
// 260 units is used in its long form where the system allows it.
#pragma once

#include "core/WideString.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace brisel::platform {

// True when a search for pattern ("*" and "?" act as wildcards in its last
// component) finds a first match that is not a directory.
bool FileIsPresent(const WideString& pattern);

// The new content of a file, handed over piece by piece.
class FileContent {
public:
    virtual ~FileContent() = default;
    virtual std::uint64_t Size() const = 0;
    // Fills buffer with the next size bytes; false when they cannot be had.
    virtual bool Read(char* buffer, std::size_t size) = 0;
    // True when every byte read was the one meant. Asked once all are read,
    // before the file replaces anything.
    virtual bool Verified() = 0;
    // Whether the file may be written in place when no temporary file can
    // be made: only content that is known good before it is read.
    virtual bool MayWriteInPlace() const = 0;
};

// Bytes at hand as content.
class BytesContent : public FileContent {
public:
    explicit BytesContent(std::string_view bytes) : bytes_(bytes) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    bool Read(char* buffer, std::size_t size) override {
        if (size > bytes_.size() - done_) {
            return false;
        }
        bytes_.copy(buffer, size, done_);
        done_ += size;
        return true;
    }
    bool Verified() override { return done_ == bytes_.size(); }
    bool MayWriteInPlace() const override { return true; }

private:
    std::string_view bytes_;
    std::size_t done_ = 0;
};

} // namespace brisel::platform
