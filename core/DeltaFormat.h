// What the writer and the reader of a binary delta agree on
// (docs/DELTA-PAYLOADS.md).
#pragma once

#include <cstddef>

namespace brisel {

// The first four bytes of a "DELTA" record.
inline constexpr char kDeltaMagic[] = "BPD2";

// Bytes of a chunk's control section, and of its new-data section, at
// most: the installer holds both sections of a chunk in memory while it
// reads the chunk's differences from the stream.
inline constexpr std::size_t kDeltaSectionLimit = std::size_t{1} << 20;

} // namespace brisel
