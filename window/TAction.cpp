#include "TAction.h"

namespace brisel {

void TAction::SetCaption(const String& caption) {
    if (caption != caption_) {
        caption_ = caption;
        Changed();
    }
}

void TAction::SetEnabled(bool enabled) {
    if (enabled != enabled_) {
        enabled_ = enabled;
        Changed();
    }
}

bool TAction::Execute() {
    if (!enabled_ || !handler_) {
        return false;
    }
    handler_();
    return true;
}

void TAction::Changed() {
    if (listener_) {
        listener_(*this);
    }
}

} // namespace brisel
