#include "core/TextUtils.h"

#include "core/Mbcs.h"

namespace brisel {

namespace {

bool IsTrimmed(char byte) {
    return static_cast<unsigned char>(byte) <= 0x20;
}

} // namespace

String Trim(const String& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsTrimmed(text[first])) {
        ++first;
    }
    while (last > first && IsTrimmed(text[last - 1])) {
        --last;
    }
    return text.substr(first, last - first);
}

String DirectoryOfPath(const String& path) {
    for (std::size_t i = path.size(); i > 0; --i) {
        if (IsSingleByteChar(path, i - 1, '\\') || IsSingleByteChar(path, i - 1, ':')) {
            return path.substr(0, i);
        }
    }
    return String();
}

String WithTrailingBackslash(const String& path) {
    if (!path.empty() && IsSingleByteChar(path, path.size() - 1, '\\')) {
        return path;
    }
    return path + '\\';
}

String ReplaceAllMbcs(const String& text, const String& from, const String& to) {
    if (from.empty()) {
        return text;
    }
    String result;
    result.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (text.compare(pos, from.size(), from) == 0 && ByteKindAt(text, pos) != ByteKind::Trail) {
            result += to;
            pos += from.size();
        } else {
            result += text[pos];
            ++pos;
        }
    }
    return result;
}

} // namespace brisel
