// Times a checksum over 200 MB in memory, in the 1 MiB pieces the
// installer checks its own data in: CRC-32C with the processor's crc32
// instruction or the portable code, CRC-32 (zlib's polynomial), or a plain
// read of the same bytes for comparison.
//
//   checksum_bench read|crc32|crc32c-portable|crc32c-fastest
//
// Prints "seconds peak_kib" as bench/lib.sh expects; fails when the
// processor lacks the instruction the fastest engine is meant to use.
#include "core/Crc32.h"
#include "core/Crc32c.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kBytes = 200000000;
constexpr std::size_t kPiece = std::size_t{1} << 20;

template <typename Sum> std::uint64_t InPieces(const std::vector<unsigned char>& bytes, Sum sum) {
    std::uint64_t answer = 0;
    for (std::size_t at = 0; at < bytes.size(); at += kPiece) {
        answer += sum(bytes.data() + at, std::min(kPiece, bytes.size() - at));
    }
    return answer;
}

template <typename Crc> auto WithCrc(Crc make) {
    return [make](const unsigned char* data, std::size_t size) {
        auto crc = make();
        crc.Update(data, size);
        return std::uint64_t{crc.Value()};
    };
}

std::uint64_t PlainRead(const unsigned char* data, std::size_t size) {
    std::uint64_t sum = 0;
    for (std::size_t at = 0; at + 8 <= size; at += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + at, 8);
        sum += word;
    }
    return sum;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc == 2 ? argv[1] : "";
    if (mode != "read" && mode != "crc32" && mode != "crc32c-portable" &&
        mode != "crc32c-fastest") {
        std::fputs("usage: checksum_bench read|crc32|crc32c-portable|crc32c-fastest\n", stderr);
        return 2;
    }
    if (mode == "crc32c-fastest" && !brisel::Crc32c::ProcessorHasCrcInstruction()) {
        std::fputs("checksum_bench: this processor has no crc32 instruction\n", stderr);
        return 1;
    }
    std::vector<unsigned char> bytes(kBytes);
    std::uint32_t state = 1;
    for (auto& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<unsigned char>(state >> 24);
    }
    using brisel::Crc32c;
    const auto start = std::chrono::steady_clock::now();
    const std::uint64_t answer =
        mode == "read"    ? InPieces(bytes, PlainRead)
        : mode == "crc32" ? InPieces(bytes, WithCrc([] { return brisel::Crc32(); }))
        : mode == "crc32c-portable"
            ? InPieces(bytes, WithCrc([] { return Crc32c(Crc32c::Engine::Portable); }))
            : InPieces(bytes, WithCrc([] { return Crc32c(Crc32c::Engine::Fastest); }));
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%.6f %ld\n", elapsed.count(), usage.ru_maxrss);
    return answer == 0 ? 1 : 0;
}
