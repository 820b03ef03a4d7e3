#include "Json.h"

#include "Cp932.h"

#include <cstdio>

namespace brisel::tools {

std::string JsonString(std::string_view utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
                out += escaped;
            } else {
                out.push_back(c);
            }
        }
    }
    out += '"';
    return out;
}

std::string JsonCp932(const std::optional<std::string>& bytes) {
    return bytes ? JsonString(Cp932ToUtf8(*bytes)) : "null";
}

std::string JsonCp932Array(const std::optional<std::vector<std::string>>& items) {
    if (!items) {
        return "null";
    }
    std::string out = "[";
    for (std::size_t i = 0; i < items->size(); ++i) {
        out += (i == 0 ? "" : ", ");
        out += JsonCp932((*items)[i]);
    }
    return out + "]";
}

} // namespace brisel::tools
