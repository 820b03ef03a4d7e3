#include "core/LinkRule.h"

namespace brisel {

bool MayPassLink(LinkMaker maker, bool targetInsideGameFolder) {
    switch (maker) {
    case LinkMaker::Administrator:
        return true;
    case LinkMaker::Unknown:
        return targetInsideGameFolder;
    case LinkMaker::Other:
        break;
    }
    return false;
}

} // namespace brisel
