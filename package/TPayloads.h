// The payload files the package carries, as content for the file writer.
// Payload n is "RESOURCE_FILE" n: a raw "BIN" resource, or a "PACKED"
// record of a payload held in the package's one LZMA stream, decoded as it
// is written and verified (size and CRC-32) before it replaces anything.
#pragma once

#include "platform/Files.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace brisel {

class LzmaStream;

class TPayloads {
public:
    TPayloads();
    ~TPayloads();
    TPayloads(const TPayloads&) = delete;
    TPayloads& operator=(const TPayloads&) = delete;

    // The number of bytes payload n writes; 0 when the package lacks it.
    std::uint64_t SizeOf(std::size_t n) const;

    // The content of payload n, valid until the next call. A payload the
    // package lacks raises EResNotFound; a spoiled stream header raises
    // EReadError.
    platform::FileContent& Open(std::size_t n);

private:
    std::unique_ptr<LzmaStream> stream_; // opened at the first packed payload
    std::unique_ptr<platform::FileContent> current_;
};

} // namespace brisel
