// SHA-256 with the processor's SHA instructions where it has them (the
// speed the system's own hashing reaches on such a processor, which its
// crypto service does not give everywhere), and otherwise through the crypto
// API of advapi32 (the AES provider, which every Windows since XP SP3 has),
// its functions looked up at run time in the system directory's
// advapi32.dll, as the shell's are, rather than imported. Either way the
// hashing runs on a thread of its own while the caller reads and writes the
// next bytes.
#include "platform/Sha256Hasher.h"

#include "platform/win32/BackgroundHashing.h"
#include "platform/win32/SystemLibrary.h"

#include <windows.h>

#include <wincrypt.h>

#include <optional>

namespace brisel::platform {

namespace {

// The crypto API's functions, looked up on first use.
struct CryptoFunctions {
    decltype(&::CryptAcquireContextW) AcquireContext = nullptr;
    decltype(&::CryptCreateHash) CreateHash = nullptr;
    decltype(&::CryptHashData) HashData = nullptr;
    decltype(&::CryptGetHashParam) GetHashParam = nullptr;
    decltype(&::CryptDestroyHash) DestroyHash = nullptr;
    decltype(&::CryptReleaseContext) ReleaseContext = nullptr;
    bool complete = false; // every one of them was found
};

CryptoFunctions LoadCryptoFunctions() {
    const HMODULE module = win32::LoadSystemLibrary(L"advapi32.dll");
    CryptoFunctions functions;
    functions.complete = win32::Resolve(module, "CryptAcquireContextW", functions.AcquireContext) &&
                         win32::Resolve(module, "CryptCreateHash", functions.CreateHash) &&
                         win32::Resolve(module, "CryptHashData", functions.HashData) &&
                         win32::Resolve(module, "CryptGetHashParam", functions.GetHashParam) &&
                         win32::Resolve(module, "CryptDestroyHash", functions.DestroyHash) &&
                         win32::Resolve(module, "CryptReleaseContext", functions.ReleaseContext);
    return functions;
}

const CryptoFunctions& Crypto() {
    static const CryptoFunctions functions = LoadCryptoFunctions();
    return functions;
}

// A hash of the crypto service and its provider, released together.
struct CryptoHash {
    const CryptoFunctions* api = nullptr; // set before provider and hash
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    CryptoHash() = default;
    ~CryptoHash() {
        if (hash != 0) {
            api->DestroyHash(hash);
        }
        if (provider != 0) {
            api->ReleaseContext(provider, 0);
        }
    }
    CryptoHash(const CryptoHash&) = delete;
    CryptoHash& operator=(const CryptoHash&) = delete;

    // False when the system lacks the functions, the provider or SHA-256.
    bool Start() {
        api = &Crypto();
        return api->complete &&
               api->AcquireContext(&provider, nullptr, nullptr, PROV_RSA_AES,
                                   CRYPT_VERIFYCONTEXT | CRYPT_SILENT) &&
               api->CreateHash(provider, CALG_SHA_256, 0, 0, &hash);
    }
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
        ready = crypto.Start();
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
            if (!crypto.api->HashData(crypto.hash, data, piece, 0)) {
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
    return state_->crypto.api->GetHashParam(state_->crypto.hash, HP_HASHVAL, digest.data(), &length,
                                            0) != 0 &&
           length == digest.size();
}

} // namespace brisel::platform
