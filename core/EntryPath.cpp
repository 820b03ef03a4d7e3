#include "core/EntryPath.h"

#include <algorithm>
#include <array>
#include <utility>

namespace brisel {

namespace {

char16_t Upper(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

// The names the system reserves for devices, in every folder and with any
// extension: "CON", "nul.txt", "COM1.dat".
bool IsDeviceName(const WideString& name) {
    WideString base = name.substr(0, name.find(u'.'));
    while (!base.empty() && base.back() == u' ') {
        base.pop_back();
    }
    std::transform(base.begin(), base.end(), base.begin(), Upper);
    static const std::array<const char16_t*, 6> kFixed = {u"CON", u"PRN",    u"AUX",
                                                          u"NUL", u"CONIN$", u"CONOUT$"};
    for (const char16_t* fixed : kFixed) {
        if (base == fixed) {
            return true;
        }
    }
    // COM1-COM9 and LPT1-LPT9, the digit also as a superscript one to three.
    if (base.size() != 4 || (base.compare(0, 3, u"COM") != 0 && base.compare(0, 3, u"LPT") != 0)) {
        return false;
    }
    const char16_t digit = base[3];
    return (digit >= u'1' && digit <= u'9') || digit == u'\u00B9' || digit == u'\u00B2' ||
           digit == u'\u00B3';
}

// Whether the name holds a character that no name may hold; ":" would
// name a stream or a drive.
bool HasForbidden(const WideString& name) {
    for (const char16_t c : name) {
        if (c < 0x20 || c == u'<' || c == u'>' || c == u':' || c == u'"' || c == u'|' ||
            c == u'?' || c == u'*') {
            return true;
        }
    }
    return false;
}

} // namespace

std::optional<EntryPath> SplitEntry(const WideString& entry) {
    EntryPath names;
    if (entry.empty() || entry.front() == u'\\' || entry.front() == u'/') {
        return std::nullopt;
    }
    std::size_t start = 0;
    while (start <= entry.size()) {
        std::size_t end = entry.find_first_of(u"\\/", start);
        end = end == WideString::npos ? entry.size() : end;
        WideString name = entry.substr(start, end - start);
        const bool last = end == entry.size();
        start = end + 1;
        if (!last && (name.empty() || name == u".")) {
            continue; // "a\\b" and "a\.\b" are "a\b", as the system reads them
        }
        while (!name.empty() && (name.back() == u'.' || name.back() == u' ')) {
            name.pop_back();
        }
        if (name.empty() || HasForbidden(name) || IsDeviceName(name)) {
            return std::nullopt; // also "..", which loses every character
        }
        names.push_back(std::move(name));
    }
    return names;
}

} // namespace brisel
