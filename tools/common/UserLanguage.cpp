#include "UserLanguage.h"

#include <string_view>

namespace brisel::tools {

Language LanguageFromLocale(const char* lcAll, const char* lcMessages, const char* lang) {
    for (const char* value : {lcAll, lcMessages, lang}) {
        if (value == nullptr || *value == '\0') {
            continue;
        }
        const std::string_view locale(value);
        const bool japanese =
            locale.substr(0, 2) == "ja" &&
            (locale.size() == 2 || locale[2] == '_' || locale[2] == '.' || locale[2] == '@');
        return japanese ? Language::Japanese : Language::English;
    }
    return Language::English;
}

} // namespace brisel::tools
