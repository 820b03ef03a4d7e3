// SHA-256 computed by the system's crypto service, piece by piece: the
// check of a file before a delta is applied to it and of the file it
// gives.
#pragma once

#include "core/Sha256.h"

#include <cstddef>
#include <memory>

namespace brisel::platform {

class Sha256Hasher {
public:
    Sha256Hasher();
    ~Sha256Hasher();
    Sha256Hasher(const Sha256Hasher&) = delete;
    Sha256Hasher& operator=(const Sha256Hasher&) = delete;

    // False once the system could not take the bytes; the digest is then
    // none.
    bool Update(const void* data, std::size_t size);
    bool Final(Sha256Digest& digest);

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace brisel::platform
