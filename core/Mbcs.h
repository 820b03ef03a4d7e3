// Double-byte classification of Shift-JIS (or any DBCS) byte strings.
//
// The lead-byte set is process-wide and fixed once at start-up from the
// system's ANSI code page. A byte is a trail byte when an odd number of
// lead-set bytes stand directly before it, whatever its own value; so a
// trail byte 0x5C is never taken for a path or token delimiter.
#pragma once

#include <bitset>
#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

namespace brisel {

enum class ByteKind { Single, Lead, Trail };

class LeadByteSet {
public:
    using Range = std::pair<unsigned char, unsigned char>;

    LeadByteSet() = default;
    static LeadByteSet FromRanges(const std::vector<Range>& ranges);
    static LeadByteSet ShiftJis();

    bool Contains(unsigned char byte) const { return bits_.test(byte); }
    bool Empty() const { return bits_.none(); }

private:
    std::bitset<256> bits_;
};

// The process-wide set, installed once at start-up by the program's entry
// (from the system's ANSI code page, or a fixed set for the tools). Until
// then it is empty: every byte is a single byte.
const LeadByteSet& ProcessLeadBytes();
void InstallLeadByteSet(const LeadByteSet& set);

// Kind of the byte at 0-based index in text, by the process-wide set.
ByteKind ByteKindAt(std::string_view text, std::size_t index);
ByteKind ByteKindAt(std::string_view text, std::size_t index, const LeadByteSet& set);

// True when the byte at index is a single byte equal to ch (a lead or a
// trail byte never matches).
bool IsSingleByteChar(std::string_view text, std::size_t index, char ch);

} // namespace brisel
