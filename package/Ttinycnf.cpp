#include "Ttinycnf.h"

#include "core/Exceptions.h"
#include "core/TextUtils.h"
#include "support/SameText.h"

#include <climits>

namespace brisel {

TTinyCnf::TTinyCnf(const TStringList& lines) : lines_(lines) {}

String TTinyCnf::CheckedKey(const String& key, char kind) {
    if (key.empty()) {
        return String();
    }
    String trimmed = Trim(key);
    if (trimmed.empty()) {
        throw ERangeError("Range check error: blank script key");
    }
    if (trimmed[0] != kind) {
        return String();
    }
    return trimmed;
}

bool TTinyCnf::GetValue(const String& key, String& value) const {
    const String trimmed = CheckedKey(key, '*');
    if (trimmed.empty()) {
        return false;
    }
    const int line = FindLine(trimmed);
    if (line < 0) {
        return false;
    }
    const auto next = static_cast<std::size_t>(line) + 1;
    value = next < lines_.Count() ? DecodeEscapes(Trim(lines_[next])) : String();
    return true;
}

bool TTinyCnf::GetSection(const String& key, TStringList& entries) const {
    const String trimmed = CheckedKey(key, '%');
    if (trimmed.empty()) {
        return false;
    }
    const int line = FindLine(trimmed);
    if (line < 0) {
        return false;
    }
    const int end = FindSectionEnd(line);
    entries.Clear();
    for (int j = line + 1; j < end; ++j) {
        entries.Add(DecodeEscapes(Trim(lines_[static_cast<std::size_t>(j)])));
    }
    return true;
}

int TTinyCnf::FindLine(const String& key) const {
    const std::size_t count = lines_.Count();
    for (std::size_t i = 0; i < count && i <= INT_MAX; ++i) {
        if (SameText(lines_[i], key)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int TTinyCnf::FindSectionEnd(int start) const {
    const int count = lines_.Count() > INT_MAX ? INT_MAX : static_cast<int>(lines_.Count());
    for (int i = start < 0 ? 0 : start; i < count; ++i) {
        if (SameText(lines_[static_cast<std::size_t>(i)], "%%")) {
            return i;
        }
    }
    return count;
}

String TTinyCnf::DecodeEscapes(const String& text) {
    static const struct {
        const char* escape;
        const char* replacement;
    } kEscapes[] = {
        {"&AMPERSAND;", "&"}, {"&TAB;", "\t"},    {"&SPACE;", " "},
        {"&ASTERISK;", "*"},  {"&PERCENT;", "%"},
    };
    String result = text;
    for (const auto& escape : kEscapes) {
        result = ReplaceAllMbcs(result, escape.escape, escape.replacement);
    }
    return result;
}

} // namespace brisel
