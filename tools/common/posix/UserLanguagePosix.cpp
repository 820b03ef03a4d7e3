#include "common/UserLanguage.h"

#include <cstdlib>

namespace brisel::tools {

Language UserLanguage() {
    return LanguageFromLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"),
                              std::getenv("LANG"));
}

} // namespace brisel::tools
