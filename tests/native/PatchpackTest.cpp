// patchpack as authors run it: its command line, where it finds its stub,
// the size limit, and that a build that fails leaves no file behind.
#include "BitmapFile.h"
#include "StubImage.h"
#include "TempDir.h"
#include "TestSupport.h"
#include "patchpack/InstallerBuild.h"
#include "pe/InstallerImage.h"
#include "pe/LittleEndian.h"
#include "pe/TemporaryOutput.h"

#include <sys/wait.h>

#include <cstdio>
#include <fstream>

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
        "build pkg",
        "build pkg --out",
        "build pkg --out x.exe --stub",
        "build pkg --out x.exe --frobnicate 1",
        "build pkg --out x.exe --arch arm64",
        "build pkg other --out x.exe",
        "build pkg --out x.exe --product-name \"$(printf '\\377')\"",
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
    EXPECT_NE(help.out.find("usage: patchpack build PACKAGE_DIR --out FILE.exe"),
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
    for (const std::string& folder :
         {std::string("pkg"), std::string("pkg/"), work.Path("pkg").string()}) {
        const Outcome run = Patchpack("'" + folder + "'", work.Path(""), "./patchpack");
        EXPECT_EQ(run.status, 0) << folder << ": " << run.err;
        EXPECT_EQ(work.dir.Read("pkg.exe"), work.dir.Read("out.exe")) << folder;
        fs::remove(work.Path("pkg.exe"));
    }
}

TEST_F(PatchpackTest, RefusesAnInstallerOverTheLimitBeforeWritingAnything) {
    const Workspace work;
    // A sparse payload as large as the limit: with the program and the
    // tables the image would pass it.
    { std::ofstream grow(work.Path("pkg/files/a.dat"), std::ios::binary | std::ios::trunc); }
    fs::resize_file(work.Path("pkg/files/a.dat"), tools::kLargestInstaller);
    work.dir.Write("out.exe", "an older installer");

    const Outcome run =
        Patchpack("build pkg --stub stubs/stub-i686.exe --out out.exe", work.Path(""));
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

} // namespace
} // namespace brisel
