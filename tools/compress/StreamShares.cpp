#include "StreamShares.h"

#include "lzma-sdk/LzmaDec.h"

#include <cstdlib>
#include <new>
#include <stdexcept>

namespace brisel::tools {

namespace {

void* AllocateBytes(void*, std::size_t size) {
    return size == 0 ? nullptr : std::malloc(size);
}

void FreeBytes(void*, void* address) {
    std::free(address);
}

ISzAlloc gAllocator = {AllocateBytes, FreeBytes};

[[noreturn]] void Fail() {
    throw std::runtime_error("internal error: the LZMA stream does not decode as written");
}

} // namespace

struct StreamShares::Decoder {
    CLzmaDec state;
    Decoder() { LzmaDec_Construct(&state); }
    ~Decoder() { LzmaDec_Free(&state, &gAllocator); }
};

StreamShares::StreamShares(const unsigned char* properties, std::vector<std::uint64_t> sizes)
    : decoder_(std::make_unique<Decoder>()) {
    const SRes result =
        LzmaDec_Allocate(&decoder_->state, properties, LZMA_PROPS_SIZE, &gAllocator);
    if (result == SZ_ERROR_MEM) {
        throw std::bad_alloc();
    }
    if (result != SZ_OK) {
        Fail();
    }
    LzmaDec_Init(&decoder_->state);
    std::uint64_t end = 0;
    for (const std::uint64_t size : sizes) {
        ends_.push_back(end += size);
    }
    Reached();
}

StreamShares::~StreamShares() = default;

// Closes the shares of the payloads whose last byte is decoded. Bytes the
// decoder holds back because they do not yet make a whole symbol are
// counted as taken only once it uses them.
void StreamShares::Reached() {
    const std::uint64_t position = taken_ - decoder_->state.tempBufSize;
    while (shares_.size() < ends_.size() && ends_[shares_.size()] == decoded_) {
        shares_.push_back(position - lastEnd_);
        lastEnd_ = position;
    }
}

void StreamShares::Feed(const unsigned char* data, std::size_t size) {
    CLzmaDec& state = decoder_->state;
    while (size > 0 && shares_.size() < ends_.size()) {
        if (state.dicPos == state.dicBufSize) {
            state.dicPos = 0;
        }
        const std::uint64_t toEnd = ends_[shares_.size()] - decoded_;
        const SizeT room = state.dicBufSize - state.dicPos;
        const SizeT limit = state.dicPos + static_cast<SizeT>(toEnd < room ? toEnd : room);
        const SizeT before = state.dicPos;
        SizeT taken = size;
        ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
        if (LzmaDec_DecodeToDic(&state, limit, data, &taken, LZMA_FINISH_ANY, &status) != SZ_OK) {
            Fail();
        }
        data += taken;
        size -= taken;
        taken_ += taken;
        decoded_ += state.dicPos - before;
        Reached();
    }
    taken_ += size; // the encoder's closing bytes
}

std::vector<std::uint64_t> StreamShares::Finish() {
    if (shares_.size() != ends_.size()) {
        Fail();
    }
    if (!shares_.empty()) {
        shares_.back() += taken_ - lastEnd_;
    }
    return shares_;
}

} // namespace brisel::tools
