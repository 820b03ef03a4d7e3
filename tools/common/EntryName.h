// How an "%OutFiles" entry names the file that the installer writes: its
// path components, the payload's place under files/, and what is wrong with
// it on Windows, where the installer runs.
#pragma once

#include <string>
#include <vector>

namespace brisel::tools {

enum class EntryProblem {
    Absolute,           // a drive letter, or a leading "\" or "/"
    ParentStep,         // a ".." component
    Colon,              // ":" anywhere else: a stream or a drive-relative path
    TrailingDotOrSpace, // a name ending in "." or " ", which Windows drops
    ForbiddenCharacter, // < > " | ? * or a control character
    DeviceName,         // CON, NUL, COM1 ... with any extension
    NamesFolder,        // ends in a separator
    TooLong,            // longer than the installer's paths can be
};

struct EntryName {
    std::vector<std::string> names;     // UTF-8 components; empty ones and "." dropped
    std::vector<EntryProblem> problems; // in the order of EntryProblem, each once
    std::string device;                 // the device name, for DeviceName
    std::string root;                   // an absolute entry's drive ("C:") and separator, if any

    bool Has(EntryProblem problem) const;
    // True when the names stay inside files/, so that the payload may be
    // looked up there.
    bool Readable() const;
    // The text Windows tells file names apart by: names without the dots
    // and spaces Windows drops, joined with "\", letter case folded.
    std::string ComparisonKey() const;
    // The folder part, names joined with "\"; empty for a top-level file.
    std::string Folder() const;
};

// entry: a non-blank "%OutFiles" entry, Shift-JIS, as the reader gives it.
// Separators are single-byte "\" and "/" (a trail byte 0x5C is none).
EntryName ParseEntry(const std::string& entry);

// Letter case folded as Windows compares file names, for the letters code
// page 932 can hold (Latin, full-width Latin, Greek, Cyrillic, Roman
// numerals). text and result are UTF-8.
std::string FoldFileNameCase(const std::string& text);

} // namespace brisel::tools
