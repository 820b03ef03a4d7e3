#include "TStringList.h"

#include "core/Exceptions.h"

namespace brisel {

const String& TStringList::Get(std::size_t index) const {
    if (index >= items_.size()) {
        throw ERangeError("List index out of bounds");
    }
    return items_[index];
}

void TStringList::Delete(std::size_t index) {
    if (index >= items_.size()) {
        throw ERangeError("List index out of bounds");
    }
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
}

void TStringList::LoadFromBytes(std::string_view bytes) {
    items_ = CutLines(bytes);
}

std::vector<String> CutLines(std::string_view text) {
    std::vector<String> lines;
    std::size_t pos = 0;
    while (pos < text.size() && text[pos] != '\0') {
        const std::size_t start = pos;
        while (pos < text.size() && text[pos] != '\r' && text[pos] != '\n' && text[pos] != '\0') {
            ++pos;
        }
        lines.emplace_back(text.substr(start, pos - start));
        if (pos < text.size() && text[pos] == '\r') {
            ++pos;
        }
        if (pos < text.size() && text[pos] == '\n') {
            ++pos;
        }
    }
    return lines;
}

} // namespace brisel
