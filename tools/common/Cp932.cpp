#include "Cp932.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

namespace brisel::tools {

namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~Converter() {
        if (Valid()) {
            iconv_close(handle_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    // Converts one whole unit; false when iconv rejects it.
    bool ConvertUnit(std::string_view unit, std::string& out) {
        iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(unit.data());
        std::size_t inLeft = unit.size();
        char buffer[16];
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        if (iconv(handle_, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
            inLeft != 0) {
            return false;
        }
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        return true;
    }

    // Converts a whole text; false on any error.
    bool ConvertAll(std::string_view text, std::string& out) {
        iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(text.data());
        std::size_t inLeft = text.size();
        std::string result;
        while (inLeft > 0) {
            char buffer[256];
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t r = iconv(handle_, &in, &inLeft, &outPtr, &outLeft);
            result.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
                return false;
            }
        }
        out = std::move(result);
        return true;
    }

private:
    iconv_t handle_;
};

bool IsLead(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

const char kReplacement[] = "\xEF\xBF\xBD";

// Converts bytes character by character; returns false when a byte had to
// be replaced.
bool ConvertCp932(std::string_view bytes, std::string& out) {
    Converter converter("UTF-8", "CP932");
    bool valid = true;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80) {
            out.push_back(static_cast<char>(byte));
            ++i;
            continue;
        }
        const std::size_t width = (IsLead(byte) && i + 1 < bytes.size()) ? 2 : 1;
        if (converter.Valid() && converter.ConvertUnit(bytes.substr(i, width), out)) {
            i += width;
        } else {
            out += kReplacement;
            valid = false;
            ++i;
        }
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

bool Utf8ToCp932(std::string_view text, std::string& out) {
    Converter converter("CP932", "UTF-8");
    return converter.Valid() && converter.ConvertAll(text, out);
}

} // namespace brisel::tools
