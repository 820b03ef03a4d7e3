// TTinyCnf: the read-only reader of the patch script.
//
// A value key ("*Name") is answered by the line right after its key line; a
// section key ("%Name") by the lines after it up to the next "%%" line. Key
// lines and "%%" lines are matched whole and untrimmed, with letter case
// ignored; values and entries are trimmed and escape-decoded.
#pragma once

#include "core/AnsiString.h"
#include "support/TStringList.h"

namespace brisel {

class TTinyCnf {
public:
    // Copies the lines: the caller may clear or reuse its list afterwards.
    explicit TTinyCnf(const TStringList& lines);
    TTinyCnf(const TTinyCnf&) = delete;
    TTinyCnf& operator=(const TTinyCnf&) = delete;

    // True and value set when the value key is present; false leaves value as
    // it was. A blank key raises ERangeError.
    bool GetValue(const String& key, String& value) const;

    // True after replacing entries with the section's entries; false leaves
    // entries as they were. A blank key raises ERangeError.
    bool GetSection(const String& key, TStringList& entries) const;

    // Number of the first line equal to key, or -1.
    int FindLine(const String& key) const;
    // Number of the first line at or after start that equals "%%", or the
    // number of lines.
    int FindSectionEnd(int start) const;
    // The text with the five escapes replaced, in their fixed order.
    static String DecodeEscapes(const String& text);

private:
    // The trimmed key when it is non-empty and starts with kind; otherwise
    // an empty text.
    static String CheckedKey(const String& key, char kind);

    TStringList lines_;
};

} // namespace brisel
