// The language of the tools' messages: Japanese for a Japanese user,
// English for everyone else.
#pragma once

namespace brisel::tools {

enum class Language { English, Japanese };

// The user's language: on Windows the user's UI language; elsewhere the
// first set one of LC_ALL, LC_MESSAGES and LANG.
Language UserLanguage();

// The rule for locale variables: the first non-empty value among lcAll,
// lcMessages and lang (each may be null) decides; "ja" or "ja_..." (any
// territory, code set or modifier) is Japanese.
Language LanguageFromLocale(const char* lcAll, const char* lcMessages, const char* lang);

} // namespace brisel::tools
