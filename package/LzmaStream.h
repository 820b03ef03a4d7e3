// The package's one LZMA stream ("LZMA" "RESOURCE_SOLID"), decoded front to
// back as the compressed payloads are written: the classic .lzma layout (5
// property bytes, the decoded size as 8 bytes, the data).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace brisel {

class LzmaStream {
public:
    // Takes the stream's bytes, which must outlive it. A header that is cut
    // short or whose dictionary cannot be had raises EReadError.
    explicit LzmaStream(std::string_view bytes);
    ~LzmaStream();
    LzmaStream(const LzmaStream&) = delete;
    LzmaStream& operator=(const LzmaStream&) = delete;

    // Bytes decoded so far, and the decoded size the header gives.
    std::uint64_t Position() const { return position_; }
    std::uint64_t Size() const { return size_; }

    // Decodes exactly size bytes into out; false when the stream is spoiled
    // or ends first (nothing further can then be read).
    bool Read(unsigned char* out, std::size_t size);
    // Decodes and drops count bytes.
    bool Skip(std::uint64_t count);

private:
    struct Decoder;
    std::unique_ptr<Decoder> decoder_;
    std::string_view input_; // what the decoder has not taken yet
    std::uint64_t position_ = 0;
    std::uint64_t size_ = 0;
    bool failed_ = false;
};

} // namespace brisel
