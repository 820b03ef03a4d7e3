// Host substitute for the system's SHA-256: the portable implementation.
#include "platform/Sha256Hasher.h"

namespace brisel::platform {

struct Sha256Hasher::State {
    Sha256 sha;
};

Sha256Hasher::Sha256Hasher(Engine) : state_(std::make_unique<State>()) {}
Sha256Hasher::~Sha256Hasher() = default;

bool Sha256Hasher::Update(const void* data, std::size_t size) {
    state_->sha.Update(data, size);
    return true;
}

bool Sha256Hasher::Final(Sha256Digest& digest) {
    digest = state_->sha.Final();
    return true;
}

} // namespace brisel::platform
