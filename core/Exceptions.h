// Exception types raised by the installer's logic. Every message is a
// Shift-JIS byte string, shown as it stands by the error report.
#pragma once

#include "core/WideString.h"

#include <exception>
#include <string>

namespace brisel {

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// A string position outside 1 ... length, or a blank key given to the script reader.
class ERangeError : public Exception {
public:
    using Exception::Exception;
};

// A registry value that is not text or cannot be read.
class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

// A package item that the executable does not carry.
class EResNotFound : public Exception {
public:
    using Exception::Exception;
};

// A stream that ends before the reader has what it needs.
class EReadError : public Exception {
public:
    using Exception::Exception;
};

// A background picture that is not a Windows bitmap.
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

// A payload file that cannot be created, replaced or written.
class EFileWriteError : public Exception {
public:
    using Exception::Exception;

    // The one message for every such failure at path:
    // "ファイル <path> を作成できません" (cannot create the file).
    static EFileWriteError CannotCreate(const WideString& path) {
        // The path is for diagnostics only: its non-ASCII characters as "?".
        std::string narrow;
        for (const char16_t unit : path) {
            if ((unit & 0xFC00) != 0xDC00) {
                narrow += unit < 0x80 ? static_cast<char>(unit) : '?';
            }
        }
        return CannotCreate(narrow);
    }
    static EFileWriteError CannotCreate(const std::string& path) {
        return EFileWriteError("\x83\x74\x83\x40\x83\x43\x83\x8b " + path +
                               " \x82\xf0\x8d\xec\x90\xac\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1");
    }
};

} // namespace brisel
