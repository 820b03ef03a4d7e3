#include "TextLikelihood.h"

#include "Cp932.h"
#include "Unicode.h"

#include <algorithm>
#include <vector>

namespace brisel::tools {

namespace {

constexpr std::size_t kBinarySample = 4096;

enum class Kind { Single, HalfWidthKatakana, Double };

bool IsLead(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Lead bytes of rows that hold no character (0x85, 0x86, 0xEB, 0xEC,
// 0xEF) or the user-defined characters (0xF0 to 0xF9), which no text a
// patch author writes uses.
bool IsUnusedLead(unsigned char b) {
    return b == 0x85 || b == 0x86 || b == 0xEB || b == 0xEC || b == 0xEF ||
           (b >= 0xF0 && b <= 0xF9);
}

} // namespace

bool ShiftJisReadingIsPlausible(std::string_view bytes) {
    std::vector<Kind> kinds;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (!IsLead(byte)) {
            kinds.push_back(byte >= 0xA1 && byte <= 0xDF ? Kind::HalfWidthKatakana : Kind::Single);
            ++i;
            continue;
        }
        if (IsUnusedLead(byte) || !IsValidCp932(bytes.substr(i, 2))) {
            return false;
        }
        kinds.push_back(Kind::Double);
        i += 2;
    }
    for (std::size_t i = 1; i < kinds.size(); ++i) {
        const bool alone = i + 1 == kinds.size() || kinds[i + 1] != Kind::HalfWidthKatakana;
        if (kinds[i] == Kind::HalfWidthKatakana && kinds[i - 1] == Kind::Double && alone) {
            return false;
        }
    }
    return true;
}

bool Utf8ReadingIsPlausible(std::string_view bytes) {
    std::string ignored;
    return Utf8ToCp932(bytes, ignored);
}

bool LooksBinary(std::string_view bytes) {
    const std::string_view sample = bytes.substr(0, kBinarySample);
    const auto controls = std::count_if(sample.begin(), sample.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r' && byte != '\f' &&
               byte != 0x1A;
    });
    return static_cast<std::size_t>(controls) * 20 > sample.size();
}

} // namespace brisel::tools
