#include "EntryName.h"

#include "Cp932.h"
#include "core/Mbcs.h"

#include <algorithm>
#include <cstdint>

namespace brisel::tools {

namespace {

// The longest path the installer's file calls take (MAX_PATH less the
// terminating NUL), the shortest folder it can write into ("C:\") and the
// longest single name Windows allows. The temporary file the installer
// writes beside a payload first does not count: where its name does not
// fit, the installer writes the payload in place.
constexpr std::size_t kMaxPath = 259;
constexpr std::size_t kShortestFolder = 3;
constexpr std::size_t kMaxName = 255;

bool IsSeparator(const std::string& text, std::size_t i) {
    return IsSingleByteChar(text, i, '\\') || IsSingleByteChar(text, i, '/');
}

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string UpperAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

// Windows reserves these names, with any extension, for devices.
bool IsDeviceName(const std::string& name, std::string& device) {
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') {
        base.pop_back();
    }
    base = UpperAscii(base);
    const bool numbered = base.size() == 4 && base[3] >= '0' && base[3] <= '9' &&
                          (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0);
    if (numbered || base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" ||
        base == "CONIN$" || base == "CONOUT$") {
        device = base;
        return true;
    }
    return false;
}

bool HasForbiddenCharacter(const std::string& name) {
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (ByteKindAt(name, i) != ByteKind::Single) {
            continue;
        }
        if (byte < 0x20 || byte == 0x7F ||
            std::string_view("<>\"|?*").find(static_cast<char>(byte)) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

bool HasColon(const std::string& name) {
    return name.find(':') != std::string::npos; // ":" is never a trail byte
}

// UTF-16 code units of a UTF-8 text: code page 932 holds nothing beyond
// the basic plane, so one per character.
std::size_t Utf16Length(const std::string& utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string WithoutDroppedEnd(std::string name) {
    while (!name.empty() && (name.back() == '.' || name.back() == ' ') && name != "..") {
        name.pop_back();
    }
    return name;
}

std::string Join(const std::vector<std::string>& names, std::size_t count) {
    std::string joined;
    for (std::size_t i = 0; i < count; ++i) {
        joined += (i > 0 ? "\\" : "") + names[i];
    }
    return joined;
}

char32_t FoldCodePoint(char32_t c) {
    if (c >= U'a' && c <= U'z') {
        return c - 0x20;
    }
    if ((c >= 0xFF41 && c <= 0xFF5A) || (c >= 0x03B1 && c <= 0x03C9 && c != 0x03C2) ||
        (c >= 0x0430 && c <= 0x044F)) {
        return c - 0x20;
    }
    if (c == 0x03C2) {
        return 0x03A3;
    }
    if (c >= 0x0450 && c <= 0x045F) {
        return c - 0x50;
    }
    if (c >= 0x2170 && c <= 0x217F) {
        return c - 0x10;
    }
    return c;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

std::string FoldFileNameCase(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t width = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        if (width == 4 || i + width > text.size()) {
            out.append(text, i, text.size() - i);
            break;
        }
        char32_t c = width == 1 ? lead : width == 2 ? (lead & 0x1F) : (lead & 0x0F);
        for (std::size_t k = 1; k < width; ++k) {
            c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        AppendUtf8(out, FoldCodePoint(c));
        i += width;
    }
    return out;
}

bool EntryName::Has(EntryProblem problem) const {
    return std::find(problems.begin(), problems.end(), problem) != problems.end();
}

bool EntryName::Readable() const {
    return !Has(EntryProblem::Absolute) && !Has(EntryProblem::ParentStep) &&
           !Has(EntryProblem::Colon) && !Has(EntryProblem::DeviceName) &&
           !Has(EntryProblem::NamesFolder) && !names.empty();
}

std::string EntryName::ComparisonKey() const {
    std::vector<std::string> kept;
    for (const auto& name : names) {
        kept.push_back(WithoutDroppedEnd(name));
    }
    return FoldFileNameCase(root + Join(kept, kept.size()));
}

std::string EntryName::Folder() const {
    return names.empty() ? std::string() : Join(names, names.size() - 1);
}

EntryName ParseEntry(const std::string& entry) {
    std::vector<std::string> raw(1);
    for (std::size_t i = 0; i < entry.size(); ++i) {
        if (IsSeparator(entry, i)) {
            raw.emplace_back();
        } else {
            raw.back() += entry[i];
        }
    }

    bool problem[static_cast<int>(EntryProblem::TooLong) + 1] = {};
    const auto mark = [&](EntryProblem p) { problem[static_cast<int>(p)] = true; };
    EntryName parsed;
    const bool drive = entry.size() >= 2 && IsAsciiLetter(entry[0]) && entry[1] == ':';
    if (IsSeparator(entry, 0) || drive) {
        mark(EntryProblem::Absolute);
        parsed.root = drive ? entry.substr(0, 2) : "";
        if (IsSeparator(entry, drive ? 2 : 0)) {
            parsed.root += "\\";
        }
    }
    if ((raw.size() > 1 && raw.back().empty()) || raw.back() == ".") {
        mark(EntryProblem::NamesFolder);
    }
    std::size_t longestName = 0;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        std::string name = raw[i];
        if (i == 0 && drive) {
            name.erase(0, 2);
        }
        if (name.empty() || name == ".") {
            continue;
        }
        const std::string utf8 = Cp932ToUtf8(name);
        longestName = std::max(longestName, Utf16Length(utf8));
        parsed.names.push_back(utf8);
        if (name == "..") {
            mark(EntryProblem::ParentStep);
            continue;
        }
        if (name.back() == '.' || name.back() == ' ') {
            mark(EntryProblem::TrailingDotOrSpace);
        }
        if (HasColon(name)) {
            mark(EntryProblem::Colon);
        }
        if (HasForbiddenCharacter(name)) {
            mark(EntryProblem::ForbiddenCharacter);
        }
        if (parsed.device.empty() && IsDeviceName(name, parsed.device)) {
            mark(EntryProblem::DeviceName);
        }
    }

    const std::size_t whole = Utf16Length(Cp932ToUtf8(entry));
    if (kShortestFolder + whole > kMaxPath || longestName > kMaxName) {
        mark(EntryProblem::TooLong);
    }
    for (int p = 0; p <= static_cast<int>(EntryProblem::TooLong); ++p) {
        if (problem[p]) {
            parsed.problems.push_back(static_cast<EntryProblem>(p));
        }
    }
    return parsed;
}

} // namespace brisel::tools
