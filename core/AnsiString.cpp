#include "core/AnsiString.h"

#include "core/Exceptions.h"

namespace brisel {

unsigned char ByteAt(const String& text, std::size_t pos) {
    if (pos < 1 || pos > text.size()) {
        throw ERangeError("Range check error");
    }
    return static_cast<unsigned char>(text[pos - 1]);
}

} // namespace brisel
