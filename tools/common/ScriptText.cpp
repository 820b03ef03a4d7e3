#include "ScriptText.h"

#include "Cp932.h"
#include "TextLikelihood.h"
#include "Unicode.h"

namespace brisel::tools {

namespace {

constexpr std::string_view kUtf8Mark("\xEF\xBB\xBF", 3);
constexpr std::string_view kUtf16LeMark("\xFF\xFE", 2);
constexpr std::string_view kUtf16BeMark("\xFE\xFF", 2);
constexpr char32_t kReplacement = 0xFFFD;

// One decoded character, or malformed bytes.
struct Unit {
    char32_t c = 0;
    bool malformed = false;
};

std::vector<Unit> DecodeUtf8Units(std::string_view text) {
    std::vector<Unit> units;
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        const std::size_t length = NextUtf8(text, i, c);
        units.push_back({c, length == 0});
        i += length == 0 ? 1 : length;
    }
    return units;
}

std::vector<Unit> DecodeUtf16Units(std::string_view text, bool bigEndian) {
    const auto at = [&](std::size_t i) -> char32_t {
        const auto first = static_cast<unsigned char>(text[i]);
        const auto second = static_cast<unsigned char>(text[i + 1]);
        return bigEndian ? (first << 8 | second) : (second << 8 | first);
    };
    std::vector<Unit> units;
    std::size_t i = 0;
    for (; i + 1 < text.size(); i += 2) {
        const char32_t unit = at(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < text.size()) {
            const char32_t low = at(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                units.push_back({0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)});
                i += 2;
                continue;
            }
        }
        units.push_back({unit, unit >= 0xD800 && unit <= 0xDFFF});
    }
    if (i < text.size()) {
        units.push_back({0, true}); // an odd byte at the end
    }
    return units;
}

// The characters as Shift-JIS with CR LF for every line end (CR LF, a lone
// CR, a lone LF), and as UTF-8 with the line ends as they were.
void Convert(const std::vector<Unit>& units, ScriptText& text) {
    int line = 1;
    int column = 0;
    bool flawed = false; // this line has a flaw already
    for (std::size_t i = 0; i < units.size(); ++i) {
        const Unit& unit = units[i];
        AppendUtf8(text.utf8, unit.malformed ? kReplacement : unit.c);
        if (!unit.malformed && (unit.c == '\r' || unit.c == '\n')) {
            if (unit.c == '\r' && i + 1 < units.size() && !units[i + 1].malformed &&
                units[i + 1].c == '\n') {
                text.utf8 += '\n';
                ++i;
            }
            text.carried += "\r\n";
            ++line;
            column = 0;
            flawed = false;
            continue;
        }
        ++column;
        if (!unit.malformed && AppendCp932(text.carried, unit.c)) {
            continue;
        }
        text.carried += '?';
        if (!flawed) {
            text.flaws.push_back({line, column, unit.c, unit.malformed});
            flawed = true;
        }
    }
}

bool IsValidUtf8(std::string_view text) {
    std::u32string ignored;
    return DecodeUtf8(text, ignored);
}

} // namespace

ScriptText ReadScriptText(std::string_view bytes) {
    ScriptText text;
    const std::size_t nul = bytes.find('\0');
    const bool utf16Pattern =
        bytes.size() >= 2 && nul <= 1 && (bytes[0] == '\0') != (bytes[1] == '\0');
    const std::string_view read = bytes.substr(0, nul);
    if (bytes.substr(0, 3) == kUtf8Mark) {
        text.encoding = ScriptEncoding::Utf8;
        Convert(DecodeUtf8Units(bytes.substr(3)), text);
    } else if (bytes.substr(0, 2) == kUtf16LeMark || bytes.substr(0, 2) == kUtf16BeMark) {
        text.encoding = ScriptEncoding::Utf16;
        Convert(DecodeUtf16Units(bytes.substr(2), bytes[0] == kUtf16BeMark[0]), text);
    } else if (utf16Pattern) {
        text.encoding = ScriptEncoding::Utf16Unmarked;
        text.carried = bytes;
    } else if (LooksBinary(bytes)) {
        text.encoding = ScriptEncoding::NotText;
        text.carried = bytes;
    } else if (HasNonAscii(read) && IsValidUtf8(read) &&
               (!IsValidCp932(read) || !ShiftJisReadingIsPlausible(read))) {
        text.encoding = ScriptEncoding::Utf8;
        Convert(DecodeUtf8Units(bytes), text);
    } else {
        text.carried = bytes;
        text.alsoUtf8 = HasNonAscii(read) && IsValidCp932(read) && Utf8ReadingIsPlausible(read);
    }
    return text;
}

} // namespace brisel::tools
