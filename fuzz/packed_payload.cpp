// A compressed payload written from a spoiled package: the input is the
// payload's 32-byte record followed by the package's LZMA stream. Whatever
// they hold, the write either fails, leaving the old file as it was and no
// temporary file, or writes exactly the bytes the record vouches for (its
// size and CRC-32): never a file that was not verified.
#include "FuzzSupport.h"
#include "core/Crc32.h"
#include "core/Exceptions.h"
#include "package/TPayloads.h"
#include "platform/GameFolder.h"
#include "platform/substitute/SubstituteStore.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

using namespace brisel;
namespace fs = std::filesystem;

namespace {

std::uint64_t LittleEndian(std::string_view bytes, std::size_t at) {
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    // Payloads beyond 1 MiB only make the runs slow.
    if (input.size() < 32 || LittleEndian(input, 8) > (1u << 20)) {
        return 0;
    }
    substitute::PackageResources().clear();
    substitute::PackageResources()[{"PACKED", "RESOURCE_FILE0"}] = input.substr(0, 32);
    substitute::PackageResources()[{"LZMA", "RESOURCE_SOLID"}] = input.substr(32);

    const fs::path& folder = fuzz::ScratchFolder("brisel-fuzz-packed-");
    const fs::path target = folder / "a.dat";
    { std::ofstream(target, std::ios::binary) << "old"; }
    bool written = false;
    try {
        const auto game = platform::OpenGameFolder(folder.u16string());
        const EntryPath entry = {u"a.dat"};
        TPayloads payloads(*game);
        platform::FileContent& content = payloads.Open(0, entry);
        game->Write(entry, content);
        written = true;
    } catch (const Exception&) {
    }
    const std::string after = fuzz::ReadAll(target);
    if (written) {
        Crc32 crc;
        crc.Update(after.data(), after.size());
        FUZZ_CHECK(after.size() == LittleEndian(input, 8));
        FUZZ_CHECK(crc.Value() ==
                   static_cast<std::uint32_t>(LittleEndian(input, 24) & 0xFFFFFFFFu));
    } else {
        FUZZ_CHECK(after == "old");
    }
    // Nothing but the destination is left in the folder.
    FUZZ_CHECK(std::distance(fs::directory_iterator(folder), fs::directory_iterator()) == 1);
    return 0;
}
