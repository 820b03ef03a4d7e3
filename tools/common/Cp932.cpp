#include "Cp932.h"

#include "Cp932Table.h"
#include "Unicode.h"

#include <map>
#include <utility>

namespace brisel::tools {

namespace {

constexpr char32_t kNone = 0xFFFD;

bool IsLead(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// The character of a single byte; kNone for the bytes that are no character.
char32_t SingleByte(unsigned char b) {
    if (b < 0x80) {
        return b;
    }
    if (b >= 0xA1 && b <= 0xDF) {
        return 0xFF61 + (b - 0xA1); // half-width katakana
    }
    return kNone;
}

// The character of a lead and a trail byte; kNone when the pair is none.
char32_t DoubleByte(unsigned char lead, unsigned char trail) {
    if (trail < 0x40 || trail > 0xFC || trail == 0x7F) {
        return kNone;
    }
    const int column = trail - 0x40 - (trail > 0x7F ? 1 : 0);
    if (lead >= 0xF0 && lead <= 0xF9) {
        return 0xE000 + (lead - 0xF0) * kCp932RowLength + column;
    }
    const int row = lead <= 0x9F ? lead - 0x81 : lead <= 0xEF ? lead - 0xE0 + 31 : lead - 0xFA + 47;
    return kCp932Rows[row][column];
}

// The characters that JIS-based converters (Shift_JIS, EUC-JP, IBM code
// page 943) give for some of code page 932's codes, where code page 932
// decodes the same code to another character: Unicode text converted from
// Japanese text by such a converter carries these, and they mean the code
// page 932 character that a Japanese system shows for the code.
const std::pair<char32_t, const char*> kJisForms[] = {
    {0x2014, "\x81\x5C"}, // EM DASH: HORIZONTAL BAR
    {0x301C, "\x81\x60"}, // WAVE DASH: FULLWIDTH TILDE
    {0x2016, "\x81\x61"}, // DOUBLE VERTICAL LINE: PARALLEL TO
    {0x2212, "\x81\x7C"}, // MINUS SIGN: FULLWIDTH HYPHEN-MINUS
    {0x00A2, "\x81\x91"}, // CENT SIGN: FULLWIDTH CENT SIGN
    {0x00A3, "\x81\x92"}, // POUND SIGN: FULLWIDTH POUND SIGN
    {0x00AC, "\x81\xCA"}, // NOT SIGN: FULLWIDTH NOT SIGN
    {0x00A6, "\xFA\x55"}, // BROKEN BAR: FULLWIDTH BROKEN BAR
};

// Characters that several codes decode to are encoded as the lowest of
// them, except that the NEC-selected IBM extensions (lead bytes 0xED and
// 0xEE) give way to any other code, as the system's converters do.
const std::map<char32_t, std::string>& Encoder() {
    static const std::map<char32_t, std::string> encoder = [] {
        std::map<char32_t, std::string> codes;
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                const auto l = static_cast<unsigned char>(lead);
                const auto t = static_cast<unsigned char>(trail);
                const char32_t c = IsLead(l) ? DoubleByte(l, t) : kNone;
                if (c == kNone) {
                    continue;
                }
                const std::string code{static_cast<char>(l), static_cast<char>(t)};
                auto& best = codes[c];
                const bool nec = lead == 0xED || lead == 0xEE;
                if (best.empty() || (!nec && (best[0] == '\xED' || best[0] == '\xEE'))) {
                    best = code;
                }
            }
        }
        for (int b = 0; b < 0x100; ++b) {
            const char32_t c = SingleByte(static_cast<unsigned char>(b));
            if (c != kNone) {
                codes[c] = std::string(1, static_cast<char>(b));
            }
        }
        for (const auto& [c, code] : kJisForms) {
            codes.emplace(c, code);
        }
        return codes;
    }();
    return encoder;
}

// Converts bytes character by character; returns false when a byte had to
// be replaced.
bool ConvertCp932(std::string_view bytes, std::string& out) {
    bool valid = true;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        char32_t c = kNone;
        std::size_t width = 1;
        if (IsLead(byte) && i + 1 < bytes.size()) {
            c = DoubleByte(byte, static_cast<unsigned char>(bytes[i + 1]));
            width = c == kNone ? 1 : 2;
        } else if (!IsLead(byte)) {
            c = SingleByte(byte);
        }
        AppendUtf8(out, c);
        valid = valid && c != kNone;
        i += width;
    }
    return valid;
}

} // namespace

std::string Cp932ToUtf8(std::string_view bytes) {
    std::string out;
    ConvertCp932(bytes, out);
    return out;
}

bool IsValidCp932(std::string_view bytes) {
    std::string ignored;
    return ConvertCp932(bytes, ignored);
}

bool AppendCp932(std::string& out, char32_t c) {
    const auto& encoder = Encoder();
    const auto found = encoder.find(c);
    if (found == encoder.end()) {
        return false;
    }
    out += found->second;
    return true;
}

bool Utf8ToCp932(std::string_view text, std::string& out) {
    std::u32string decoded;
    if (!DecodeUtf8(text, decoded)) {
        return false;
    }
    std::string result;
    for (char32_t c : decoded) {
        if (!AppendCp932(result, c)) {
            return false;
        }
    }
    out = std::move(result);
    return true;
}

} // namespace brisel::tools
