#include "LzmaStream.h"

#include "TResourceStream.h"

#include <cstdlib>
#include <vector>

// The SDK's Types.h takes in <windows.h> on Windows for a type that the
// decoder never uses; the logic stays clear of the system's headers.
#pragma push_macro("_WIN32")
#undef _WIN32
extern "C" {
#include "lzma-sdk/LzmaDec.h"
}
#pragma pop_macro("_WIN32")

namespace brisel {

namespace {

constexpr std::size_t kHeaderSize = LZMA_PROPS_SIZE + 8;
// patchpack writes dictionaries of at most 32 MiB; twice that leaves room
// for a larger one a later version may write, and no more: a 32-bit
// installer must not be asked for hundreds of MiB by a spoiled header.
constexpr std::uint32_t kLargestDictionary = 64u << 20;

void* Allocate(void*, std::size_t size) {
    return std::malloc(size);
}
void Release(void*, void* address) {
    std::free(address);
}
ISzAlloc kAllocator = {Allocate, Release};

} // namespace

struct LzmaStream::Decoder {
    CLzmaDec state;
    Decoder() { LzmaDec_Construct(&state); }
    ~Decoder() { LzmaDec_Free(&state, &kAllocator); }
};

LzmaStream::LzmaStream(std::string_view bytes) : decoder_(std::make_unique<Decoder>()) {
    if (bytes.size() < kHeaderSize) {
        RaiseReadError();
    }
    const auto* header = reinterpret_cast<const unsigned char*>(bytes.data());
    for (int i = 7; i >= 0; --i) {
        size_ = (size_ << 8) | header[LZMA_PROPS_SIZE + i];
    }
    // The dictionary need not be larger than the stream; one larger than
    // any patchpack writes is a spoiled header, refused before it is asked
    // of the memory.
    unsigned char props[LZMA_PROPS_SIZE];
    std::copy(header, header + LZMA_PROPS_SIZE, props);
    std::uint32_t dictionary = props[1] | (props[2] << 8) | (props[3] << 16) |
                               (static_cast<std::uint32_t>(props[4]) << 24);
    if (dictionary > kLargestDictionary) {
        RaiseReadError();
    }
    if (dictionary > size_) {
        dictionary = static_cast<std::uint32_t>(size_ < 4096 ? 4096 : size_);
        for (int i = 0; i < 4; ++i) {
            props[1 + i] = static_cast<unsigned char>(dictionary >> (8 * i));
        }
    }
    if (LzmaDec_Allocate(&decoder_->state, props, LZMA_PROPS_SIZE, &kAllocator) != SZ_OK) {
        RaiseReadError();
    }
    LzmaDec_Init(&decoder_->state);
    input_ = bytes.substr(kHeaderSize);
}

LzmaStream::~LzmaStream() = default;

bool LzmaStream::Read(unsigned char* out, std::size_t size) {
    if (failed_ || size > size_ - position_) {
        failed_ = true;
        return false;
    }
    std::size_t done = 0;
    while (done < size) {
        SizeT produced = size - done;
        SizeT taken = input_.size();
        ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
        const SRes result =
            LzmaDec_DecodeToBuf(&decoder_->state, out + done, &produced,
                                reinterpret_cast<const unsigned char*>(input_.data()), &taken,
                                LZMA_FINISH_ANY, &status);
        input_.remove_prefix(taken);
        done += produced;
        position_ += produced;
        // No progress: the data is spoiled or cut short.
        if (result != SZ_OK || (produced == 0 && taken == 0)) {
            failed_ = true;
            return false;
        }
    }
    return true;
}

bool LzmaStream::Skip(std::uint64_t count) {
    std::vector<unsigned char> sink(count < (1u << 16) ? static_cast<std::size_t>(count)
                                                       : 1u << 16);
    while (count > 0) {
        const std::size_t piece =
            count < sink.size() ? static_cast<std::size_t>(count) : sink.size();
        if (!Read(sink.data(), piece)) {
            return false;
        }
        count -= piece;
    }
    return true;
}

} // namespace brisel
