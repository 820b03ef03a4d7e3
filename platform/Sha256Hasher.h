// SHA-256 computed piece by piece: the check of a file before a delta is
// applied to it and of the file it gives. Windows hashes with the
// processor's SHA instructions where it has them and through the system's
// crypto service otherwise (or always, when asked).
#pragma once

#include "core/Sha256.h"

#include <cstddef>
#include <memory>

namespace brisel::platform {

class Sha256Hasher {
public:
    enum class Engine { Fastest, SystemService };

    explicit Sha256Hasher(Engine engine = Engine::Fastest);
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
