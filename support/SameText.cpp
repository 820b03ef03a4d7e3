#include "SameText.h"

#include "platform/Locale.h"

namespace brisel {

bool SameText(const String& a, const String& b) {
    return platform::LocaleSameText(a, b);
}

} // namespace brisel
