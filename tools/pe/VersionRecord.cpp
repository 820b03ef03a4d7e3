#include "VersionRecord.h"

#include "LittleEndian.h"

namespace brisel::pe {

namespace {

// A block: wLength, wValueLength, wType, the key (UTF-16, NUL-terminated),
// padding to 32 bits, the value, padding to 32 bits, then the children,
// each starting on a 32-bit boundary. Offsets count from the record's start,
// which is itself 32-bit aligned.
VersionBlock ParseBlock(std::string_view bytes, std::size_t at, std::size_t& end, int depth) {
    if (depth > 8) {
        throw FormatError("the version record nests too deeply");
    }
    const std::uint16_t length = ReadU16(bytes, at);
    if (length < 6 || at + length > bytes.size()) {
        throw FormatError("a version block has a wrong length");
    }
    end = at + length;
    const std::string_view block = bytes.substr(0, end);
    VersionBlock result;
    result.valueLength = ReadU16(block, at + 2);
    result.type = ReadU16(block, at + 4);
    std::size_t pos = at + 6;
    for (;;) {
        const std::uint16_t c = ReadU16(block, pos);
        pos += 2;
        if (c == 0) {
            break;
        }
        result.key.push_back(static_cast<char16_t>(c));
    }
    pos = AlignUp(pos, 4);
    const std::size_t valueBytes =
        result.type == 1 ? std::size_t{result.valueLength} * 2 : result.valueLength;
    if (valueBytes > 0) {
        if (pos + valueBytes > end) {
            throw FormatError("a version value runs past its block");
        }
        result.value = std::string(block.substr(pos, valueBytes));
        pos += valueBytes;
    }
    for (pos = AlignUp(pos, 4); pos < end; pos = AlignUp(pos, 4)) {
        std::size_t childEnd = 0;
        result.children.push_back(ParseBlock(block, pos, childEnd, depth + 1));
        pos = childEnd;
    }
    return result;
}

void SerializeBlock(const VersionBlock& block, std::string& out) {
    const std::size_t start = out.size();
    AppendU16(out, 0);
    AppendU16(out, block.valueLength);
    AppendU16(out, block.type);
    for (char16_t c : block.key) {
        AppendU16(out, static_cast<std::uint16_t>(c));
    }
    AppendU16(out, 0);
    PadTo(out, 4);
    out += block.value;
    for (const auto& child : block.children) {
        PadTo(out, 4);
        SerializeBlock(child, out);
    }
    const std::size_t length = out.size() - start;
    if (length > 0xFFFF) {
        throw FormatError("a version block would exceed 64 KiB");
    }
    PutU16(out, start, static_cast<std::uint16_t>(length));
}

std::string TextValue(const std::u16string& text) {
    std::string value;
    for (char16_t c : text) {
        AppendU16(value, static_cast<std::uint16_t>(c));
    }
    AppendU16(value, 0);
    return value;
}

} // namespace

VersionBlock ParseVersionRecord(std::string_view bytes) {
    std::size_t end = 0;
    return ParseBlock(bytes, 0, end, 0);
}

std::string SerializeVersionRecord(const VersionBlock& root) {
    std::string out;
    SerializeBlock(root, out);
    return out;
}

void SetVersionText(VersionBlock& root, const std::u16string& key, const std::u16string& text) {
    if (text.size() >= 0x7FFF) {
        throw FormatError("a version text is too long");
    }
    bool found = false;
    for (auto& info : root.children) {
        if (info.key != u"StringFileInfo") {
            continue;
        }
        for (auto& table : info.children) {
            found = true;
            VersionBlock* target = nullptr;
            for (auto& entry : table.children) {
                if (entry.key == key) {
                    target = &entry;
                }
            }
            if (target == nullptr) {
                table.children.push_back(VersionBlock{key, 1, 0, {}, {}});
                target = &table.children.back();
            }
            target->type = 1;
            target->value = TextValue(text);
            target->valueLength = static_cast<std::uint16_t>(text.size() + 1);
        }
    }
    if (!found) {
        throw FormatError("the version record has no string table");
    }
}

} // namespace brisel::pe
