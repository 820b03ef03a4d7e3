// The texts of the findings in English and Japanese, and the one-line form
// "file:line: error: text" in which they are shown.
#pragma once

#include "Finding.h"
#include "common/UserLanguage.h"

#include <string>

namespace brisel::tools {

Severity SeverityOf(MessageId id);

// The message with its {n} filled in, wholly in the one language.
std::string FindingText(const Finding& finding, Language language);

// "script.txt:3: error: text", "files/a.dat: warning: text", "script.txt:
// note: text": the severity word is the one shown (a warning is shown as an
// error under --strict).
std::string FindingLine(const Finding& finding, Severity shown, Language language);

// Script text (Shift-JIS) as it goes into a message: UTF-8, control
// characters written as \t or \xNN, and a very long text cut short.
std::string Shown(const std::string& sjis);

// The same for a text that already is UTF-8.
std::string ShownUtf8(const std::string& utf8);

// Fills {1} ... {9} of a template with args.
std::string Fill(const std::string& text, const std::vector<std::string>& args);

} // namespace brisel::tools
