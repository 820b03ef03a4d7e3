// The installer's SHA-256: the processor's instructions (where this
// processor has them) and the system's crypto service give the known
// digests.
#include "platform/Sha256Hasher.h"
#include "../native/Sha256Vectors.h"

#include <gtest/gtest.h>

namespace brisel {
namespace {

TEST(Sha256HasherTest, BothEnginesGiveTheKnownDigests) {
    using Engine = platform::Sha256Hasher::Engine;
    for (const auto engine : {Engine::Fastest, Engine::SystemService}) {
        for (const auto& vector : test::Sha256Vectors()) {
            for (const std::size_t pieceSize : test::kSha256PieceSizes) {
                platform::Sha256Hasher hasher(engine);
                bool ok = true;
                test::InPieces(vector.input, pieceSize, [&](const char* data, std::size_t size) {
                    ok = hasher.Update(data, size) && ok;
                });
                Sha256Digest digest{};
                EXPECT_TRUE(ok && hasher.Final(digest));
                EXPECT_EQ(test::Hex(digest), vector.digest)
                    << vector.input.size() << " bytes in pieces of " << pieceSize
                    << (engine == Engine::SystemService ? ", crypto service" : ", fastest");
            }
        }
    }
}

} // namespace
} // namespace brisel
