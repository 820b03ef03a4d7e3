// patchpack as authors run it: its command line, where it finds its stub,
// the size limit, and that a build that fails leaves no file behind.
#include "BitmapFile.h"
#include "StubImage.h"
#include "TempDir.h"
#include "TestSupport.h"
#include "core/Crc32.h"
#include "core/X86Filter.h"
#include "patchpack/InstallerBuild.h"
#include "pe/InstallerImage.h"
#include "pe/LittleEndian.h"
#include "pe/ResourceReader.h"
#include "pe/TemporaryOutput.h"

#include "lzma-sdk/LzmaDec.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>

namespace brisel {
namespace {

namespace fs = std::filesystem;
using PatchpackTest = test::SubstituteTest;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs patchpack in folder with the arguments (already quoted for the shell).
Outcome Patchpack(const std::string& args, const fs::path& folder,
                  const std::string& program = PATCHPACK_EXE) {
    const test::TempDir capture;
    const std::string command = "cd '" + folder.string() + "' && LC_ALL=C '" + program + "' " +
                                args + " >'" + (capture.Path() / "out").string() + "' 2>'" +
                                (capture.Path() / "err").string() + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, capture.Read("out"), capture.Read("err")};
}

std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// A folder with a package and an i686 stub with a code and a relocation
// section and no resources.
struct Workspace {
    test::TempDir dir;
    Workspace() {
        dir.Write("pkg/script.txt", "*PatchType\r\n1\r\n%LinkPath\r\n\tGame\\Game.lnk\r\n%%\r\n"
                                    "*CheckTargetFilename\r\nGame.exe\r\n"
                                    "%OutFiles\r\n\ta.dat\r\n%%\r\n*Caption\r\n\t修正パッチ\r\n");
        dir.Write("pkg/background.bmp", test::BitmapFile24(2, 2, 1, 2, 3));
        dir.Write("pkg/files/a.dat", "payload");
        std::string page(0x1000, 'c');
        dir.Write("stubs/stub-i686.exe",
                  test::BuildStubImage({0x1000, {{".text", page}, {".reloc", page}}, -1, 1}));
    }
    fs::path Path(const std::string& relative) const { return dir.Path() / relative; }
    std::vector<std::string> Files(const std::string& relative = "") const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Path(relative))) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(PatchpackTest, AWrongCommandLineGetsOneLineAndStatusTwo) {
    const Workspace work;
    const char* const wrong[] = {
        "",
        "frobnicate pkg",
        "pkg/script.txt", // a file alone, not a folder
        "build pkg --out",
        "build pkg --out x.exe --store --from pkg",
        "build pkg --out x.exe --stub",
        "build pkg --out x.exe --frobnicate 1",
        "build pkg --out x.exe --arch arm64",
        "build pkg other --out x.exe",
        "build pkg --out x.exe --product-name \"$(printf '\\377')\"",
        "build pkg --out x.exe --keep-whole",
        "build pkg --out x.exe --from nowhere",
        "check",
    };
    for (const char* args : wrong) {
        const Outcome run = Patchpack(args, work.Path(""));
        EXPECT_EQ(run.status, 2) << args;
        EXPECT_EQ(Lines(run.err), 1u) << args << ": " << run.err;
        EXPECT_EQ(run.err.rfind("patchpack: ", 0), 0u) << args << ": " << run.err;
        EXPECT_EQ(run.out, "") << args;
    }
    EXPECT_EQ(work.Files(), (std::vector<std::string>{"pkg", "stubs"}));

    const Outcome help = Patchpack("--help", work.Path(""));
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: patchpack build PACKAGE_DIR [--out FILE.exe]"),
              std::string::npos);
    EXPECT_EQ(help.err, "");
}

TEST_F(PatchpackTest, FindsTheStubBesideItselfAndWritesOnlyTheInstaller) {
    const Workspace work;
    fs::copy_file(PATCHPACK_EXE, work.Path("patchpack"));
    const Outcome run = Patchpack("build pkg --out out.exe", work.Path(""), "./patchpack");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(work.Files(), (std::vector<std::string>{"out.exe", "patchpack", "pkg", "stubs"}));
    const std::string installer = work.dir.Read("out.exe");
    EXPECT_NE(installer.find("payload"), std::string::npos);

    // The same package and stub elsewhere, later: the same bytes.
    fs::create_directories(work.Path("elsewhere"));
    fs::copy(work.Path("pkg"), work.Path("elsewhere/pkg"), fs::copy_options::recursive);
    const Outcome again =
        Patchpack("build elsewhere/pkg --arch i686 --stub stubs/stub-i686.exe --out again.exe",
                  work.Path(""));
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(work.dir.Read("again.exe"), installer);

    const Outcome wrongArch =
        Patchpack("build pkg --arch x86_64 --out x.exe", work.Path(""), "./patchpack");
    EXPECT_EQ(wrongArch.status, 2);
    EXPECT_NE(wrongArch.err.find("stub-x86_64.exe: the installer stub is missing"),
              std::string::npos)
        << wrongArch.err;
}

TEST_F(PatchpackTest, BuildsAFolderGivenAloneBesideItAsWhenDroppedOntoTheTool) {
    const Workspace work;
    fs::copy_file(PATCHPACK_EXE, work.Path("patchpack"));
    ASSERT_EQ(Patchpack("build pkg --out out.exe", work.Path(""), "./patchpack").status, 0);
    // The same script saved as UTF-8 with LF line ends: the same installer.
    work.dir.Write("pkg/script.txt", u8"*PatchType\n1\n%LinkPath\n\tGame\\Game.lnk\n%%\n"
                                     u8"*CheckTargetFilename\nGame.exe\n"
                                     u8"%OutFiles\n\ta.dat\n%%\n*Caption\n\t修正パッチ\n");
    // build without --out names the installer as the folder form does.
    for (const std::string& args :
         {std::string("pkg"), std::string("pkg/"), "'" + work.Path("pkg").string() + "'",
          std::string("build pkg")}) {
        const Outcome run = Patchpack(args, work.Path(""), "./patchpack");
        EXPECT_EQ(run.status, 0) << args << ": " << run.err;
        EXPECT_EQ(work.dir.Read("pkg.exe"), work.dir.Read("out.exe")) << args;
        fs::remove(work.Path("pkg.exe"));
    }
}

TEST_F(PatchpackTest, RefusesAnInstallerOverTheLimitBeforeWritingAnything) {
    const Workspace work;
    // A sparse payload as large as the limit, stored raw: with the program and the
    // tables the image would pass it.
    { std::ofstream grow(work.Path("pkg/files/a.dat"), std::ios::binary | std::ios::trunc); }
    fs::resize_file(work.Path("pkg/files/a.dat"), tools::kLargestInstaller);
    work.dir.Write("out.exe", "an older installer");

    const Outcome run =
        Patchpack("build pkg --stub stubs/stub-i686.exe --out out.exe --store", work.Path(""));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("error: the installer would be 1,610,629,120 bytes in memory, over the "
                           "1,610,612,736 bytes (1.5 GiB)"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(work.Files(), (std::vector<std::string>{"out.exe", "pkg", "stubs"}));
    EXPECT_EQ(work.dir.Read("out.exe"), "an older installer");
}

TEST_F(PatchpackTest, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    const Workspace work;
    const pe::PeImage stub(work.dir.Read("stubs/stub-i686.exe"));
    pe::ResourceTree tree;
    tree[{pe::ResourceId::Name("BIN"), pe::ResourceId::Name("RESOURCE_FILE0"), 0x411}] = {
        pe::ResourceData::File(work.Path("pkg/files/a.dat")), 0};
    const pe::InstallerImage image(stub, tree);
    work.dir.Write("out.exe", "an older installer");

    struct Case {
        const char* what;
        std::function<void()> spoil;
        const char* message;
    } cases[] = {
        {"payload removed", [&] { fs::remove(work.Path("pkg/files/a.dat")); }, "cannot be read"},
        {"payload grown", [&] { work.dir.Write("pkg/files/a.dat", "payload, longer"); },
         "the file changed"},
    };
    for (const auto& c : cases) {
        work.dir.Write("pkg/files/a.dat", "payload");
        c.spoil();
        try {
            pe::TemporaryOutput out(work.Path("out.exe"));
            image.Write(out);
            out.Commit();
            ADD_FAILURE() << c.what << ": written";
        } catch (const tools::PackageError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
        EXPECT_EQ(work.Files(), (std::vector<std::string>{"out.exe", "pkg", "stubs"})) << c.what;
        EXPECT_EQ(work.dir.Read("out.exe"), "an older installer") << c.what;
    }
}

TEST_F(PatchpackTest, RefusesAnInstallerAsStubAndOptionsTheStubCannotTake) {
    const Workspace work;
    ASSERT_EQ(
        Patchpack("build pkg --stub stubs/stub-i686.exe --out first.exe", work.Path("")).status, 0);
    struct Case {
        std::string args;
        const char* message;
    } cases[] = {
        {"build pkg --stub first.exe --out x.exe", "already carries TEXT resources"},
        {"build pkg --stub pkg/script.txt --out x.exe", "not an installer stub"},
        {"build pkg --stub stubs/stub-i686.exe --product-name P --out x.exe", "no version record"},
        {"build pkg --stub stubs/stub-i686.exe --icon pkg/script.txt --out x.exe",
         "script.txt: not an icon file"},
        {"build nowhere --stub stubs/stub-i686.exe --out x.exe", "no such package folder"},
    };
    for (const auto& c : cases) {
        const Outcome run = Patchpack(c.args, work.Path(""));
        EXPECT_EQ(run.status, 2) << c.args;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.args << ": " << run.err;
        EXPECT_FALSE(fs::exists(work.Path("x.exe"))) << c.args;
    }
}

// Payloads as authors ship them, built as by default (as with --compress)
// and read back: the stream decodes with the SDK's decoder, each record
// points at its payload's bytes (the filter undone) with their CRC-32, the
// summary's shares add up to the stream, and the picture has a stream of
// its own. With --store everything is raw.
TEST_F(PatchpackTest, CompressesThePayloadsThatShrinkIntoOneStream) {
    std::mt19937 random(7);
    std::string image =
        "MZ" + std::string(0x3A, '\0') + std::string("\x40\0\0\0PE\0\0\x4C\x01", 10);
    while (image.size() < (1u << 20) + 3000) { // calls to a few targets
        image += "\x55\x8B\xEC\xE8" + std::string(1, static_cast<char>(random() % 4 * 16)) +
                 (random() % 2 ? std::string("\xF0\xFF\xFF", 3) : std::string("\x01\0\0", 3));
    }
    // A call whose operand runs past the first 1 MiB piece.
    image.replace((1u << 20) - 6, 9, std::string("\x90\x90\x90\x90\xE8\x10\x20\0\0", 9));
    std::string text, noise;
    for (int i = 0; i < 2000; ++i) {
        text += "line " + std::to_string(i % 37) + ": the game reads this file\r\n";
        noise += std::string(1, static_cast<char>(random())) + static_cast<char>(random());
    }
    struct Payload {
        const char* name;
        std::string bytes;
        bool packed, filtered;
    } payloads[] = {{"game.dll", image, true, true},
                    {"noise.ogg", noise, false, false},
                    {"readme.txt", text, true, false},
                    {"empty.dat", "", false, false}};
    const Workspace work;
    std::string script = "*PatchType\r\n1\r\n%LinkPath\r\n\tG\\G.lnk\r\n%%\r\n%OutFiles\r\n";
    for (const auto& payload : payloads) {
        work.dir.Write(std::string("pkg/files/") + payload.name, payload.bytes);
        script += std::string("\t") + payload.name + "\r\n";
    }
    work.dir.Write("pkg/script.txt", script + "%%\r\n");
    const std::string bitmap = test::BitmapFile24(64, 32, 1, 2, 3);
    work.dir.Write("pkg/background.bmp", bitmap);
    const std::string build = "build pkg --stub stubs/stub-i686.exe --out ";
    const Outcome run = Patchpack(build + "z.exe", work.Path(""));
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(Patchpack(build + "c.exe --compress", work.Path("")).status, 0);
    ASSERT_EQ(Patchpack(build + "s.exe --store", work.Path("")).status, 0);
    EXPECT_EQ(work.dir.Read("c.exe"), work.dir.Read("z.exe"));
    const auto resources = [&](const std::string& file) {
        return pe::ReadResources(pe::PeImage(work.dir.Read(file)));
    };
    const pe::ResourceTree tree = resources("z.exe"), stored = resources("s.exe");
    const auto resourceOf = [](const pe::ResourceTree& in, const std::string& type,
                               const std::string& name) {
        const auto found = in.find({pe::ResourceId::Name(type), pe::ResourceId::Name(name), 0x411});
        return found == in.end() ? std::string("absent") : found->second.data.bytes;
    };
    const auto resource = [&](const std::string& type, const std::string& name) {
        return resourceOf(tree, type, name);
    };
    EXPECT_EQ(resource("BMP", "RESOURCE_BACKGROUND"), "absent");
    EXPECT_EQ(resource("PACKED", "RESOURCE_BACKGROUND").substr(0, 4), "BPK1");
    EXPECT_EQ(resourceOf(stored, "BMP", "RESOURCE_BACKGROUND"), bitmap);
    const std::string stream = resource("LZMA", "RESOURCE_SOLID");
    // What each payload took, as the summary gives it, adds up to the stream.
    std::uint64_t shares = 0;
    for (const char* row : {"RESOURCE_FILE0 ", "RESOURCE_FILE2 "}) {
        shares += std::stoull(run.out.substr(run.out.find(row) + 15));
    }
    EXPECT_EQ(shares, stream.size() - 13) << run.out;
    ASSERT_GT(stream.size(), 13u);
    const std::uint64_t decodedSize = image.size() + text.size();
    EXPECT_EQ(stream.substr(0, 5), std::string("\x5D\0\0\x18\0", 5)) << "1.5 MiB dictionary";
    EXPECT_EQ(stream.substr(5, 8), std::string(reinterpret_cast<const char*>(&decodedSize), 8));
    std::string decoded(decodedSize, '\0');
    SizeT decodedLength = decoded.size(), packedLength = stream.size() - 13;
    ELzmaStatus status;
    ISzAlloc alloc = {[](void*, std::size_t n) { return std::malloc(n); },
                      [](void*, void* p) { std::free(p); }};
    ASSERT_EQ(LzmaDecode(reinterpret_cast<Byte*>(decoded.data()), &decodedLength,
                         reinterpret_cast<const Byte*>(stream.data() + 13), &packedLength,
                         reinterpret_cast<const Byte*>(stream.data()), 5, LZMA_FINISH_END, &status,
                         &alloc),
              SZ_OK);
    EXPECT_EQ(decodedLength, decoded.size());
    std::uint64_t offset = 0;
    for (int i = 0; i < 4; ++i) {
        const Payload& payload = payloads[i];
        const std::string name = "RESOURCE_FILE" + std::to_string(i);
        EXPECT_EQ(resource("BIN", name), payload.packed ? "absent" : payload.bytes) << name;
        EXPECT_EQ(resourceOf(stored, "BIN", name), payload.bytes) << name;
        if (!payload.packed) {
            continue;
        }
        std::string bytes = decoded.substr(offset, payload.bytes.size());
        if (payload.filtered) { // undone in two pieces, the tail carried
            const std::size_t done = X86Convert(reinterpret_cast<unsigned char*>(bytes.data()),
                                                (1u << 20) - 1, 0, false);
            X86Convert(reinterpret_cast<unsigned char*>(bytes.data()) + done, bytes.size() - done,
                       done, false);
        }
        EXPECT_EQ(bytes, payload.bytes) << name;
        Crc32 crc;
        crc.Update(payload.bytes.data(), payload.bytes.size());
        std::string record = "BPK1" + std::string(1, payload.filtered) + std::string(3, '\0');
        for (const std::uint64_t field : {std::uint64_t{payload.bytes.size()}, offset}) {
            record += std::string(reinterpret_cast<const char*>(&field), 8);
        }
        const std::uint32_t value = crc.Value();
        record += std::string(reinterpret_cast<const char*>(&value), 4) + std::string(4, '\0');
        EXPECT_EQ(resource("PACKED", name), record) << name;
        offset += payload.bytes.size();
    }

    // Nothing that shrinks: the raw installer's resources, and the checksum table.
    work.dir.Write("pkg/files/game.dll", noise);
    work.dir.Write("pkg/files/readme.txt", "");
    work.dir.Write("pkg/background.bmp", test::BitmapFile24(2, 2, 1, 2, 3));
    ASSERT_EQ(Patchpack(build + "z.exe", work.Path("")).status, 0);
    ASSERT_EQ(Patchpack(build + "raw.exe --store", work.Path("")).status, 0);
    pe::ResourceTree raw = resources("z.exe");
    const pe::ResourceTree store = resources("raw.exe");
    EXPECT_EQ(
        raw.erase({pe::ResourceId::Name("SUMS"), pe::ResourceId::Name("RESOURCE_PACKAGE"), 0x411}),
        1u);
    EXPECT_TRUE(std::equal(raw.begin(), raw.end(), store.begin(), store.end(),
                           [](const auto& a, const auto& b) {
                               return !(a.first < b.first) && !(b.first < a.first) &&
                                      a.second.data.bytes == b.second.data.bytes;
                           }));
}

// A payload with previous versions in the --from folders is carried as
// one delta against each, and whole as well with --keep-whole; one that is
// not smaller as a delta, or whose old version lies outside its folder
// (through a link), is carried as before.
TEST_F(PatchpackTest, CarriesPayloadsAsDeltasAgainstThePreviousVersionsFound) {
    const Workspace work;
    std::mt19937 random(3);
    std::string text, noise, otherNoise;
    for (int i = 0; i < 3000; ++i) {
        text += "line " + std::to_string(random() % 500) + ": the game reads this\r\n";
        noise += static_cast<char>(random());
        otherNoise += static_cast<char>(random());
    }
    work.dir.Write("pkg/script.txt", "*PatchType\r\n1\r\n%LinkPath\r\n\tG\\G.lnk\r\n%%\r\n"
                                     "%OutFiles\r\n\ta.txt\r\n\tb.ogg\r\n\tc.txt\r\n%%\r\n");
    work.dir.Write("pkg/files/a.txt", text);
    work.dir.Write("pkg/files/b.ogg", noise);
    work.dir.Write("pkg/files/c.txt", text);
    work.dir.Write("old1/a.txt", text.substr(100));
    work.dir.Write("old1/b.ogg", otherNoise);
    work.dir.Write("old2/a.txt", text.substr(0, 30000) + "changed" + text.substr(30000));
    fs::create_symlink("../pkg/files/c.txt", work.Path("old2/c.txt"));
    const std::string build = "build pkg --stub stubs/stub-i686.exe --from old1 --from old2 ";
    for (const bool whole : {false, true}) {
        const Outcome run =
            Patchpack(build + (whole ? "--keep-whole " : "") + "--out d.exe", work.Path(""));
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find("delta from old1: "), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("delta from old2: "), std::string::npos) << run.out;
        const pe::ResourceTree tree = pe::ReadResources(pe::PeImage(work.dir.Read("d.exe")));
        const auto has = [&](const std::string& type, const std::string& name) {
            return tree.count({pe::ResourceId::Name(type), pe::ResourceId::Name(name), 0x411}) > 0;
        };
        const auto delta = tree.find(
            {pe::ResourceId::Name("DELTA"), pe::ResourceId::Name("RESOURCE_FILE0"), 0x411});
        ASSERT_NE(delta, tree.end());
        const std::string& record = delta->second.data.bytes;
        EXPECT_EQ(record.substr(0, 8), std::string("BPD2\2\0\0\0", 8));
        EXPECT_EQ(record.size(), 64u + 2 * 72);
        EXPECT_EQ(pe::ReadU32(record, 8), text.size());
        EXPECT_EQ(pe::ReadU32(record, 64), text.size() - 100);
        EXPECT_EQ(pe::ReadU32(record, 64 + 72), text.size() + 7);
        EXPECT_EQ(has("PACKED", "RESOURCE_FILE0"), whole);
        EXPECT_TRUE(has("BIN", "RESOURCE_FILE1")); // unrelated noise: no smaller as a delta
        EXPECT_FALSE(has("DELTA", "RESOURCE_FILE1"));
        EXPECT_TRUE(has("PACKED", "RESOURCE_FILE2")); // its old version lies outside old2
        EXPECT_FALSE(has("DELTA", "RESOURCE_FILE2"));
    }
}

// Previous versions in the package (previous-VERSION/, here laid out as a
// package) are used as --from uses its folders: the same installer; and
// --from folders are checked alike.
TEST_F(PatchpackTest, APreviousFolderInThePackageGivesTheInstallerOfFrom) {
    const Workspace work;
    std::string text;
    for (int i = 0; i < 3000; ++i) {
        text += "line " + std::to_string(i % 500) + ": the game reads this\r\n";
    }
    work.dir.Write("pkg/files/a.dat", text);
    work.dir.Write("old/a.dat", text.substr(100));
    fs::copy(work.Path("pkg"), work.Path("with"), fs::copy_options::recursive);
    work.dir.Write("with/previous-1.0/files/a.dat", text.substr(100));
    const std::string build = "--stub stubs/stub-i686.exe --out ";
    ASSERT_EQ(Patchpack("build pkg --from old " + build + "from.exe", work.Path("")).status, 0);
    const Outcome run = Patchpack("build with " + build + "with.exe", work.Path(""));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(work.dir.Read("with.exe"), work.dir.Read("from.exe"));
    EXPECT_NE(run.out.find("delta from previous-1.0: "), std::string::npos) << run.out;

    const Outcome same = Patchpack("build pkg --from pkg/files " + build + "x.exe", work.Path(""));
    EXPECT_EQ(same.status, 1);
    EXPECT_NE(same.err.find("pkg/files/: error: every payload found here (1) equals"),
              std::string::npos)
        << same.err;
}

} // namespace
} // namespace brisel
