// SHA-256 with the processor's SHA instructions where it has them (the
// speed the system's own hashing reaches on such a processor, which its
// crypto service does not give everywhere), and otherwise through the crypto
// API of advapi32 (the AES provider, which every Windows since XP SP3 has).
#include "platform/Sha256Hasher.h"

#include <windows.h>

#include <wincrypt.h>

#include <optional>

namespace brisel::platform {

struct Sha256Hasher::State {
    std::optional<Sha256> processor;
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    bool ok = true;
    explicit State(Engine engine) {
        if (engine == Engine::Fastest && Sha256::ProcessorHasShaInstructions()) {
            processor.emplace();
            return;
        }
        ok = CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES,
                                  CRYPT_VERIFYCONTEXT | CRYPT_SILENT) &&
             CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash);
    }
    ~State() {
        if (hash != 0) {
            CryptDestroyHash(hash);
        }
        if (provider != 0) {
            CryptReleaseContext(provider, 0);
        }
    }
    State(const State&) = delete;
    State& operator=(const State&) = delete;
};

Sha256Hasher::Sha256Hasher(Engine engine) : state_(std::make_unique<State>(engine)) {}
Sha256Hasher::~Sha256Hasher() = default;

bool Sha256Hasher::Update(const void* data, std::size_t size) {
    if (state_->processor) {
        state_->processor->Update(data, size);
        return true;
    }
    const auto* bytes = static_cast<const BYTE*>(data);
    while (state_->ok && size > 0) {
        const DWORD piece = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        state_->ok = CryptHashData(state_->hash, bytes, piece, 0) != 0;
        bytes += piece;
        size -= piece;
    }
    return state_->ok;
}

bool Sha256Hasher::Final(Sha256Digest& digest) {
    if (state_->processor) {
        digest = state_->processor->Final();
        return true;
    }
    DWORD length = static_cast<DWORD>(digest.size());
    return state_->ok &&
           CryptGetHashParam(state_->hash, HP_HASHVAL, digest.data(), &length, 0) != 0 &&
           length == digest.size();
}

} // namespace brisel::platform
