// The read-only byte stream over one item of the patch package.
#pragma once

#include "core/AnsiString.h"
#include "core/WideString.h"

#include <cstddef>
#include <memory>
#include <string_view>

namespace brisel {

class TStringList;

class TResourceStream {
public:
    // Opens the package item of the given type and name; a missing item
    // raises EResNotFound "<name> リソースが見つかりません".
    static std::unique_ptr<TResourceStream> Open(const char* type, const String& name);

    explicit TResourceStream(std::string_view bytes) : bytes_(bytes) {}

    std::size_t Size() const { return bytes_.size(); }
    std::size_t Position() const { return position_; }
    std::string_view Bytes() const { return bytes_; }

    // Reads exactly count bytes at the current position, or raises
    // EReadError when fewer remain.
    std::string_view ReadBuffer(std::size_t count);

    // Loads the whole stream into lines by the script's line rules.
    void LoadLines(TStringList& lines) const;

private:
    std::string_view bytes_;
    std::size_t position_ = 0;
};

// Raises EReadError, the error of a stream that ends too soon.
[[noreturn]] void RaiseReadError();

} // namespace brisel
