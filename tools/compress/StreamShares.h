// What each payload of an LZMA stream took of its encoded bytes, measured
// by decoding the stream as it is written: a payload's share is the number
// of encoded bytes the decoder takes from where it has produced the bytes
// before the payload to where it has produced the payload's last byte. The
// shares of all payloads add up to the encoded data (the header aside);
// the encoder's closing bytes count to the last payload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace brisel::tools {

class StreamShares {
public:
    // properties: the stream's 5 property bytes; sizes: the decoded size
    // of each payload, in stream order.
    StreamShares(const unsigned char* properties, std::vector<std::uint64_t> sizes);
    ~StreamShares();
    StreamShares(const StreamShares&) = delete;
    StreamShares& operator=(const StreamShares&) = delete;

    // Takes the next encoded bytes (after the header), as the encoder
    // writes them.
    void Feed(const unsigned char* data, std::size_t size);

    // The share of each payload, once every encoded byte was fed. Throws
    // std::runtime_error when the bytes do not decode to the sizes given.
    std::vector<std::uint64_t> Finish();

private:
    void Reached();

    struct Decoder;
    std::unique_ptr<Decoder> decoder_;
    std::vector<std::uint64_t> ends_; // decoded end of each payload
    std::vector<std::uint64_t> shares_;
    std::uint64_t decoded_ = 0;
    std::uint64_t taken_ = 0;   // encoded bytes handed to the decoder
    std::uint64_t lastEnd_ = 0; // encoded position at the last payload's end
};

} // namespace brisel::tools
