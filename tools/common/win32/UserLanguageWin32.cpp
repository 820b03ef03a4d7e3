#include "common/UserLanguage.h"

#include <windows.h>

namespace brisel::tools {

Language UserLanguage() {
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? Language::Japanese
                                                                      : Language::English;
}

} // namespace brisel::tools
