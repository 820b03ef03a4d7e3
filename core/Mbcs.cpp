#include "core/Mbcs.h"

namespace brisel {

LeadByteSet LeadByteSet::FromRanges(const std::vector<Range>& ranges) {
    LeadByteSet set;
    for (const auto& [low, high] : ranges) {
        for (unsigned value = low; value <= high; ++value) {
            set.bits_.set(value);
        }
    }
    return set;
}

LeadByteSet LeadByteSet::ShiftJis() {
    return FromRanges({{0x81, 0x9F}, {0xE0, 0xFC}});
}

namespace {

LeadByteSet& InstalledSet() {
    static LeadByteSet set;
    return set;
}

} // namespace

const LeadByteSet& ProcessLeadBytes() {
    return InstalledSet();
}

void InstallLeadByteSet(const LeadByteSet& set) {
    InstalledSet() = set;
}

ByteKind ByteKindAt(std::string_view text, std::size_t index, const LeadByteSet& set) {
    const auto byte = static_cast<unsigned char>(text[index]);
    if (byte == 0) {
        return ByteKind::Single;
    }
    std::size_t leadsBefore = 0;
    for (std::size_t i = index; i > 0 && set.Contains(static_cast<unsigned char>(text[i - 1]));
         --i) {
        ++leadsBefore;
    }
    if (leadsBefore % 2 == 1) {
        return ByteKind::Trail;
    }
    return set.Contains(byte) ? ByteKind::Lead : ByteKind::Single;
}

ByteKind ByteKindAt(std::string_view text, std::size_t index) {
    return ByteKindAt(text, index, ProcessLeadBytes());
}

bool IsSingleByteChar(std::string_view text, std::size_t index, char ch) {
    return text[index] == ch && ByteKindAt(text, index) == ByteKind::Single;
}

} // namespace brisel
