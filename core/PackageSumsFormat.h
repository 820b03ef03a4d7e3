// What the writer and the reader of the package's checksum table agree on
// (docs/COMPRESSED-PAYLOADS.md).
#pragma once

#include <cstddef>
#include <cstdint>

namespace brisel {

// The resource holding the table.
inline constexpr char kSumsType[] = "SUMS";
inline constexpr char kSumsName[] = "RESOURCE_PACKAGE";

// The table's first four bytes.
inline constexpr char kSumsMagic[] = "BSM1";

// The tools take a CRC-32C of each piece of this size; the reader takes the
// size the table gives.
inline constexpr std::uint32_t kSumsPiece = std::uint32_t{1} << 20;

// The header: magic, piece size, number of entries.
inline constexpr std::size_t kSumsHeader = 12;

} // namespace brisel
