// The x86 branch filter: the 32-bit targets of relative CALL (E8) and JMP
// (E9) instructions turned into absolute addresses, so that calls to one
// function from many places read alike and compress better. Applied to a
// PE payload before compression and undone after decoding.
//
// A byte E8 or E9 and the four bytes after it are taken as one
// instruction; its operand is rewritten when its last byte is 00 or FF (a
// near target). Any other byte is passed. The opcode bytes are never
// rewritten and a rewritten operand again ends in 00 or FF, so decoding
// steps through the same places and retraces the encoder's decisions.
#pragma once

#include <cstddef>
#include <cstdint>

namespace brisel {

// Converts data in place (encoding or decoding); position is the offset of
// data[0] in the payload. Returns how many leading bytes are final; the
// rest (at most four, fewer only at the very end) must be passed again at
// the front of the next piece. At the end of a payload the unconverted
// tail stays as it is.
std::size_t X86Convert(unsigned char* data, std::size_t size, std::uint64_t position,
                       bool encoding);

} // namespace brisel
