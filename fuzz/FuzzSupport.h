// Shared pieces of the harnesses: the failure report, and small reference
// models written straight from the rules they check, independent of the
// code under test.
#pragma once

#include "core/Mbcs.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

namespace brisel::fuzz {

// Stops the run with a report; libFuzzer then saves the input.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "property failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// The kinds of the bytes of text, classified front to back: a byte of the
// set (other than 0x00) starts a double-byte character and takes the next
// byte, unless that is 0x00, as its second byte.
inline std::vector<ByteKind> ForwardByteKinds(std::string_view text, const LeadByteSet& set) {
    std::vector<ByteKind> kinds(text.size(), ByteKind::Single);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte != 0 && set.Contains(byte)) {
            kinds[i] = ByteKind::Lead;
            if (i + 1 < text.size() && text[i + 1] != '\0') {
                kinds[++i] = ByteKind::Trail;
            }
        }
    }
    return kinds;
}

// Removes the bytes 0x00 to 0x20 at both ends.
inline std::string ModelTrim(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20) {
        text.remove_prefix(1);
    }
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

// Replaces each occurrence of from that does not begin on a second byte,
// left to right, without rescanning what a replacement wrote.
inline std::string ModelReplace(const std::string& text, const std::string& from,
                                const std::string& to, const LeadByteSet& set) {
    if (from.empty()) {
        return text;
    }
    const std::vector<ByteKind> kinds = ForwardByteKinds(text, set);
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (kinds[i] != ByteKind::Trail && text.compare(i, from.size(), from) == 0) {
            out += to;
            i += from.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

// A folder of this process's own below the temporary folder, made at the
// first call: where a harness's files are written.
inline const std::filesystem::path& ScratchFolder(const std::string& prefix) {
    static const std::filesystem::path folder = [&] {
        auto path = std::filesystem::temp_directory_path() / (prefix + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

inline std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace brisel::fuzz
