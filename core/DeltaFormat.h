// What the writer and the reader of a binary delta agree on
// (docs/DELTA-PAYLOADS.md).
#pragma once

#include <cstddef>
#include <cstdint>

namespace brisel {

// The first four bytes of a "DELTA" record.
inline constexpr char kDeltaMagic[] = "BPD2";

// Bytes of a chunk's control section, and of its new-data section, at
// most: the installer holds both sections of a chunk in memory while it
// reads the chunk's differences from the stream.
inline constexpr std::size_t kDeltaSectionLimit = std::size_t{1} << 20;

// A chunk gives the size of its new-data section doubled, plus one when
// the section is not in the stream but the next bytes of the delta's
// stored new data: new data that does not compress is kept out of the
// stream, so that the installer copies it rather than decodes it.
inline constexpr std::uint64_t kDeltaStoredFlag = 1;

// The resource holding every delta's stored new data, raw.
inline constexpr char kDeltaStoredType[] = "STORED";
inline constexpr char kDeltaStoredName[] = "RESOURCE_SOLID";

} // namespace brisel
