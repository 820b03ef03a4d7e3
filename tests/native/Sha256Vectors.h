// Inputs with known SHA-256 digests, and the digest as hex, to check every
// way of hashing alike; the inputs are fed in pieces of each size given so
// that pieces ending inside and across 64-byte blocks are covered.
#pragma once

#include "core/Sha256.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace brisel::test {

struct Sha256Vector {
    std::string input;
    std::string digest;
};

inline std::vector<Sha256Vector> Sha256Vectors() {
    return {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        // Past the 1 MiB buffers that Windows hashes on a thread of their own.
        {std::string(3u << 20, 'b') + "xyz",
         "db63a51074f60952faf54db3e3ff3f122b6aae9d95ad3637c2bac1b27964a5d9"},
    };
}

inline const std::vector<std::size_t> kSha256PieceSizes = {1, 63, 64, 65, 100000};

inline std::string Hex(const Sha256Digest& digest) {
    std::string hex;
    char pair[3];
    for (const auto byte : digest) {
        std::snprintf(pair, sizeof pair, "%02x", byte);
        hex += pair;
    }
    return hex;
}

// Calls update(data, size) for input in pieces of pieceSize bytes.
template <typename Update>
void InPieces(const std::string& input, std::size_t pieceSize, Update update) {
    for (std::size_t at = 0; at < input.size(); at += pieceSize) {
        update(input.data() + at, std::min(pieceSize, input.size() - at));
    }
}

} // namespace brisel::test
