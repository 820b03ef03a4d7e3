// SHA-256 of the tools and substitutes: the portable code and the
// processor's instructions (where this processor has them) give the known
// digests, whatever the pieces the bytes come in.
#include "Sha256Vectors.h"

#include <gtest/gtest.h>

namespace brisel {
namespace {

TEST(Sha256Test, EveryEngineGivesTheKnownDigests) {
    for (const auto engine : {Sha256::Engine::Portable, Sha256::Engine::Fastest}) {
        for (const auto& vector : test::Sha256Vectors()) {
            for (const std::size_t pieceSize : test::kSha256PieceSizes) {
                Sha256 sha(engine);
                test::InPieces(vector.input, pieceSize,
                               [&](const char* data, std::size_t size) { sha.Update(data, size); });
                EXPECT_EQ(test::Hex(sha.Final()), vector.digest)
                    << vector.input.size() << " bytes in pieces of " << pieceSize
                    << (engine == Sha256::Engine::Portable ? ", portable" : ", fastest");
            }
        }
    }
}

} // namespace
} // namespace brisel
