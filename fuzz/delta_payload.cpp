// A delta payload applied from a spoiled or hostile package. The input is
// an old file and the delta's stored new data (each after two bytes of its
// length) and the delta's instructions, which the harness compresses into
// the package's stream. A
// reference model applies the instructions too: where it finds them
// valid, the record vouches for its result, and the write must give
// exactly that; where it does not, the write must fail and leave the old
// file as it was, with no temporary file.
#include "FuzzSupport.h"
#include "core/DeltaFormat.h"
#include "core/Exceptions.h"
#include "core/Sha256.h"
#include "package/TPayloads.h"
#include "platform/GameFolder.h"
#include "platform/substitute/SubstituteStore.h"

#include <lzma.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

using namespace brisel;
namespace fs = std::filesystem;

namespace {

// An unsigned LEB128 number from bytes at at; false when it runs past the
// end or beyond 64 bits.
bool Number(const std::string& bytes, std::size_t& at, std::uint64_t& value) {
    value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        if (at >= bytes.size()) {
            return false;
        }
        const auto byte = static_cast<unsigned char>(bytes[at++]);
        value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0) {
            return true;
        }
    }
    return false;
}

// The instructions applied as the format describes them; none when they are
// not valid.
std::optional<std::string> Model(const std::string& old, const std::string& stored,
                                 const std::string& code) {
    std::string out;
    std::size_t at = 0, storedAt = 0;
    std::int64_t position = 0;
    std::int64_t seek = 0; // applied when the next block starts
    while (at < code.size()) {
        std::uint64_t controlSize = 0, addsNumber = 0;
        if (!Number(code, at, controlSize) || !Number(code, at, addsNumber) || controlSize == 0 ||
            controlSize > kDeltaSectionLimit || controlSize > code.size() - at) {
            return std::nullopt;
        }
        const bool isStored = (addsNumber & kDeltaStoredFlag) != 0;
        const std::uint64_t addsSize = addsNumber >> 1;
        const std::string control = code.substr(at, controlSize);
        at += controlSize;
        const std::string& from = isStored ? stored : code;
        std::size_t& fromAt = isStored ? storedAt : at;
        if (addsSize > kDeltaSectionLimit || addsSize > from.size() - fromAt) {
            return std::nullopt;
        }
        const std::string adds = from.substr(fromAt, addsSize);
        fromAt += addsSize;
        std::size_t controlAt = 0, addsAt = 0;
        while (controlAt < control.size()) {
            if ((seek > 0 && position > INT64_MAX - seek) ||
                (seek < 0 && position < INT64_MIN - seek)) {
                return std::nullopt;
            }
            position += seek;
            std::uint64_t same = 0, copy = 0, add = 0, zigzag = 0;
            if (!Number(control, controlAt, same) || !Number(control, controlAt, copy) ||
                !Number(control, controlAt, add) || !Number(control, controlAt, zigzag) ||
                copy > code.size() - at || add > adds.size() - addsAt) {
                return std::nullopt;
            }
            if (same + copy > 0 &&
                (position < 0 || static_cast<std::uint64_t>(position) > old.size() ||
                 same > old.size() - static_cast<std::uint64_t>(position) ||
                 copy > old.size() - static_cast<std::uint64_t>(position) - same)) {
                return std::nullopt;
            }
            if (same > 0) {
                out.append(old, static_cast<std::size_t>(position), same);
                position += static_cast<std::int64_t>(same);
            }
            for (std::uint64_t i = 0; i < copy; ++i) {
                out += static_cast<char>(old[static_cast<std::size_t>(position) + i] + code[at++]);
            }
            position += static_cast<std::int64_t>(copy);
            out.append(adds, addsAt, add);
            addsAt += add;
            seek = (zigzag & 1) != 0 ? -static_cast<std::int64_t>(zigzag >> 1) - 1
                                     : static_cast<std::int64_t>(zigzag >> 1);
        }
        if (addsAt != adds.size()) {
            return std::nullopt;
        }
    }
    if (storedAt != stored.size()) {
        return std::nullopt;
    }
    return out;
}

std::string Compress(const std::string& bytes) {
    lzma_options_lzma options;
    lzma_lzma_preset(&options, 0);
    lzma_stream stream = LZMA_STREAM_INIT;
    std::string out(bytes.size() + bytes.size() / 2 + 1024, '\0');
    if (lzma_alone_encoder(&stream, &options) != LZMA_OK) {
        return std::string();
    }
    stream.next_in = reinterpret_cast<const std::uint8_t*>(bytes.data());
    stream.avail_in = bytes.size();
    stream.next_out = reinterpret_cast<std::uint8_t*>(out.data());
    stream.avail_out = out.size();
    const lzma_ret result = lzma_code(&stream, LZMA_FINISH);
    out.resize(out.size() - stream.avail_out);
    lzma_end(&stream);
    return result == LZMA_STREAM_END ? out : std::string();
}

void PutNumber(std::string& out, std::size_t at, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
    }
}

void PutDigest(std::string& out, std::size_t at, const Sha256Digest& digest) {
    for (std::size_t i = 0; i < digest.size(); ++i) {
        out[at + i] = static_cast<char>(digest[i]);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    // A part whose length the next two bytes give (as far as there are
    // bytes), taken off the front of the input.
    const auto part = [&input] {
        const std::size_t length =
            input.size() < 2 ? 0
                             : std::min<std::size_t>(input.size() - 2,
                                                     static_cast<unsigned char>(input[0]) |
                                                         static_cast<unsigned char>(input[1]) << 8);
        const std::string bytes = input.substr(std::min<std::size_t>(2, input.size()), length);
        input.erase(0, std::min<std::size_t>(2 + length, input.size()));
        return bytes;
    };
    const std::string old = part();
    const std::string stored = part();
    const std::string code = input;
    const std::optional<std::string> expected = Model(old, stored, code);
    const std::string stream = Compress(code);
    if (stream.empty() || (expected && expected->size() > (1u << 20))) {
        return 0;
    }

    // The record: the new version the model made (or, for instructions it
    // refuses, a version nothing can match), one previous version.
    std::string record(64 + 72, '\0');
    record.replace(0, 4, kDeltaMagic);
    PutNumber(record, 4, 1, 4);
    Sha256 newSha;
    if (expected) {
        newSha.Update(expected->data(), expected->size());
    }
    PutNumber(record, 8, expected ? expected->size() : 7, 8);
    PutDigest(record, 16, newSha.Final());
    Sha256 oldSha;
    oldSha.Update(old.data(), old.size());
    PutNumber(record, 64, old.size(), 8);
    PutDigest(record, 72, oldSha.Final());
    PutNumber(record, 104, 0, 8);
    PutNumber(record, 112, code.size(), 8);
    PutNumber(record, 120, 0, 8);
    PutNumber(record, 128, stored.size(), 8);
    substitute::PackageResources().clear();
    substitute::PackageResources()[{"DELTA", "RESOURCE_FILE0"}] = record;
    substitute::PackageResources()[{"LZMA", "RESOURCE_SOLID"}] = stream;
    substitute::PackageResources()[{kDeltaStoredType, kDeltaStoredName}] = stored;

    const fs::path& folder = fuzz::ScratchFolder("brisel-fuzz-delta-");
    const fs::path target = folder / "a.dat";
    { std::ofstream(target, std::ios::binary) << old; }
    const EntryPath entry = {u"a.dat"};
    struct NoProgress final : PieceObserver {
        void PieceRead(std::size_t) override {}
        virtual ~NoProgress() = default;
    } quiet;
    bool written = false;
    try {
        const auto game = platform::OpenGameFolder(folder.u16string());
        TPayloads payloads(*game);
        if (expected && *expected == old) {
            // The file already is the new version: left alone.
            FUZZ_CHECK(payloads.Check(0, entry, quiet) == PayloadAction::UpToDate);
            FUZZ_CHECK(fuzz::ReadAll(target) == old);
            return 0;
        }
        FUZZ_CHECK(payloads.Check(0, entry, quiet) == PayloadAction::Write);
        game->Write(entry, payloads.Open(0, entry));
        written = true;
    } catch (const Exception&) {
    }
    FUZZ_CHECK(written == expected.has_value());
    FUZZ_CHECK(fuzz::ReadAll(target) == (written ? *expected : old));
    FUZZ_CHECK(std::distance(fs::directory_iterator(folder), fs::directory_iterator()) == 1);
    return 0;
}
