// A version resource (VS_VERSIONINFO) as a tree of blocks, so that single
// texts of its string table can be changed and the record written again.
// Blocks that are not changed are written back byte for byte.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brisel::pe {

struct VersionBlock {
    std::u16string key;
    std::uint16_t type = 0;        // 1 for text values, 0 for binary ones
    std::uint16_t valueLength = 0; // as stored: characters for text, bytes for binary
    std::string value;             // the value's bytes as stored
    std::vector<VersionBlock> children;
};

// Throws FormatError on a malformed record.
VersionBlock ParseVersionRecord(std::string_view bytes);
std::string SerializeVersionRecord(const VersionBlock& root);

// Sets the text of key in every string table of the record, adding the key
// at the end of a table that lacks it. Throws FormatError when the record
// has no string table.
void SetVersionText(VersionBlock& root, const std::u16string& key, const std::u16string& text);

} // namespace brisel::pe
