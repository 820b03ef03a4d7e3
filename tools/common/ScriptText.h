// How an author saved script.txt, and the Shift-JIS bytes the installer
// carries for it. The installer reads its script as code page 932: a script
// that is valid Shift-JIS is carried byte for byte, one saved as UTF-8 or as
// UTF-16 with a byte-order mark is converted, with the tools' own table and
// CR LF line ends, so that every host writes the same bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brisel::tools {

enum class ScriptEncoding {
    ShiftJis,      // carried as it is, also when some bytes are no Shift-JIS
    Utf8,          // with or without a byte-order mark
    Utf16,         // little or big endian, with a byte-order mark
    Utf16Unmarked, // UTF-16 without a byte-order mark: carried as it is
    NotText,       // no text at all (control characters): carried as it is
};

// A character of a converted script that the installer cannot carry.
struct ScriptFlaw {
    int line = 0;           // 1-based
    int column = 0;         // 1-based, counted in characters
    char32_t character = 0; // the character; meaningless when malformed
    bool malformed = false; // bytes that are no character of the encoding
};

struct ScriptText {
    ScriptEncoding encoding = ScriptEncoding::ShiftJis;
    // The bytes the installer carries. A flaw is carried as "?".
    std::string carried;
    // A converted script as UTF-8 with its own line ends, malformed bytes
    // as U+FFFD; empty for a script carried as it is.
    std::string utf8;
    // The first flaw of each line, in order.
    std::vector<ScriptFlaw> flaws;
    // Shift-JIS whose UTF-8 reading is as plausible: the author may have
    // meant UTF-8.
    bool alsoUtf8 = false;

    bool Converted() const {
        return encoding == ScriptEncoding::Utf8 || encoding == ScriptEncoding::Utf16;
    }
};

// Tells the encoding from the bytes: a byte-order mark says UTF-8 or UTF-16;
// without one, NULs in every other byte at the start say UTF-16, and many
// control characters say it is no text. Then text up to its first NUL that
// is valid UTF-8 beyond ASCII is UTF-8, unless it is valid code page 932 as
// well and its Shift-JIS reading is the plausible one (TextLikelihood.h);
// anything else is taken as Shift-JIS.
ScriptText ReadScriptText(std::string_view bytes);

} // namespace brisel::tools
