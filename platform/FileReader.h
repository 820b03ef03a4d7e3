// Reading an existing file at any offset: the previous version of a file
// that a delta rebuilds.
#pragma once

#include "core/WideString.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace brisel::platform {

class FileReader {
public:
    virtual ~FileReader() = default;
    virtual std::uint64_t Size() const = 0;
    // Reads exactly size bytes at offset; false when they cannot be read.
    virtual bool ReadAt(std::uint64_t offset, char* buffer, std::size_t size) = 0;
};

// The file at path opened for reading (others may read it meanwhile, no one
// may write it); null when it cannot be opened: absent, a folder, refused.
std::unique_ptr<FileReader> OpenFileForReading(const WideString& path);

} // namespace brisel::platform
