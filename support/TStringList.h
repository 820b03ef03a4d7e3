// An ordered list of byte strings: count, 0-based get, add, delete, clear,
// and loading from a byte stream by the script's line rules.
#pragma once

#include "core/AnsiString.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace brisel {

class TStringList {
public:
    TStringList() = default;

    std::size_t Count() const { return items_.size(); }
    const String& Get(std::size_t index) const;
    const String& operator[](std::size_t index) const { return Get(index); }
    void Add(String item) { items_.push_back(std::move(item)); }
    void Delete(std::size_t index);
    void Clear() { items_.clear(); }

    // Replaces the content with the lines cut from bytes.
    void LoadFromBytes(std::string_view bytes);

    const std::vector<String>& Items() const { return items_; }
    bool operator==(const TStringList& other) const { return items_ == other.items_; }

private:
    std::vector<String> items_;
};

// Cuts text into lines: a line ends before CR, LF or NUL; one CR and then
// one LF are skipped after it; cutting stops at the first NUL. A trailing
// line break leaves no empty line after it.
std::vector<String> CutLines(std::string_view text);

} // namespace brisel
