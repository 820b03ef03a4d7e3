// SHA-256 with the processor's SHA instructions where it has them (the
// speed the system's own hashing reaches on such a processor, which its
// crypto service does not give everywhere), and otherwise through the crypto
// API of advapi32 (the AES provider, which every Windows since XP SP3 has).
// Either way the hashing runs on a thread of its own while the caller reads
// and writes the next bytes.
#include "platform/Sha256Hasher.h"

#include "platform/win32/BackgroundHashing.h"

#include <windows.h>

#include <wincrypt.h>

#include <optional>

namespace brisel::platform {

namespace {

// A hash of the crypto service and its provider, released together.
struct CryptoHash {
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    CryptoHash() = default;
    ~CryptoHash() {
        if (hash != 0) {
            CryptDestroyHash(hash);
        }
        if (provider != 0) {
            CryptReleaseContext(provider, 0);
        }
    }
    CryptoHash(const CryptoHash&) = delete;
    CryptoHash& operator=(const CryptoHash&) = delete;
};

} // namespace

struct Sha256Hasher::State final : win32::HashSink {
    std::optional<Sha256> processor;
    CryptoHash crypto;
    bool ready = true; // the crypto service took the hash on (set once)
    // Declared last: its thread stops before the hash it feeds goes.
    win32::BackgroundHashing background{*this};

    explicit State(Engine engine) {
        if (engine == Engine::Fastest && Sha256::ProcessorHasShaInstructions()) {
            processor.emplace();
            return;
        }
        ready = CryptAcquireContextW(&crypto.provider, nullptr, nullptr, PROV_RSA_AES,
                                     CRYPT_VERIFYCONTEXT | CRYPT_SILENT) &&
                CryptCreateHash(crypto.provider, CALG_SHA_256, 0, 0, &crypto.hash);
    }
    ~State() = default;
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    bool Hash(const unsigned char* data, std::size_t size) override {
        if (processor) {
            processor->Update(data, size);
            return true;
        }
        while (size > 0) {
            const DWORD piece = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
            if (!CryptHashData(crypto.hash, data, piece, 0)) {
                return false;
            }
            data += piece;
            size -= piece;
        }
        return true;
    }
};

Sha256Hasher::Sha256Hasher(Engine engine) : state_(std::make_unique<State>(engine)) {}
Sha256Hasher::~Sha256Hasher() = default;

bool Sha256Hasher::Update(const void* data, std::size_t size) {
    return state_->ready && state_->background.Add(static_cast<const unsigned char*>(data), size);
}

bool Sha256Hasher::Final(Sha256Digest& digest) {
    if (!state_->ready || !state_->background.Finish()) {
        return false;
    }
    if (state_->processor) {
        digest = state_->processor->Final();
        return true;
    }
    DWORD length = static_cast<DWORD>(digest.size());
    return CryptGetHashParam(state_->crypto.hash, HP_HASHVAL, digest.data(), &length, 0) != 0 &&
           length == digest.size();
}

} // namespace brisel::platform
