// The host tools for patch authors: the package planner and the patchscript
// command as a patch author runs it.
#include "BitmapFile.h"
#include "TempDir.h"
#include "TestSupport.h"
#include "common/Cp932.h"
#include "common/PackagePlan.h"

#include <sys/wait.h>

#include <cstdio>

namespace brisel {
namespace {

using ToolsTest = test::SubstituteTest;

struct CommandResult {
    int status = -1;
    std::string out;
};

// Runs a command line through the shell; stderr is dropped.
CommandResult Shell(const std::string& command) {
    CommandResult run;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        run.out.append(buffer, n);
    }
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// A package folder with a script, a background and the given payloads.
struct PackageFolder {
    test::TempDir dir;
    explicit PackageFolder(const std::string& script) {
        dir.Write("script.txt", script);
        dir.Write("background.bmp", test::BitmapFile24(2, 2, 0, 0, 0));
    }
    tools::PackagePlan Plan() const {
        const auto host = tools::MakeHostFiles();
        return tools::PlanPackage(tools::PackageFolder(*host, dir.Path()));
    }
};

TEST_F(ToolsTest, NumbersPayloadsByTheirEntrysPositionCountingBlankLines) {
    PackageFolder package("*PatchType\r\n1\r\n%OutFiles\r\n\ta.dat\r\n\r\n\tsub\\ソ.dat\r\n%%\r\n");
    package.dir.Write("files/a.dat", "A");
    package.dir.Write(u8"files/sub/ソ.dat", "B"); // the 0x5C trail byte of "ソ" is no separator
    const tools::PackagePlan plan = package.Plan();
    ASSERT_EQ(plan.payloads.size(), 2u);
    EXPECT_EQ(plan.payloads[0].number, 0);
    EXPECT_EQ(plan.payloads[1].number, 2);
    EXPECT_EQ(plan.payloads[1].source,
              std::filesystem::canonical(package.dir.Path()) / u8"files/sub/ソ.dat");
    EXPECT_EQ(plan.payloads[1].size, 1u);

    test::TempDir stage;
    tools::StagePackage(plan, stage.Path());
    const std::string rc = stage.Read("package.rc");
    EXPECT_NE(rc.find("RESOURCE_FILE0 BIN \"payload0.bin\""), std::string::npos);
    EXPECT_NE(rc.find("RESOURCE_FILE2 BIN \"payload2.bin\""), std::string::npos);
    EXPECT_EQ(rc.find("RESOURCE_FILE1"), std::string::npos);
    EXPECT_EQ(stage.Read("payload2.bin"), "B");
    EXPECT_EQ(stage.Read("script.txt"), package.dir.Read("script.txt"));
}

TEST_F(ToolsTest, CarriesOnlyWhatIsThereWhenForcedPastErrors) {
    PackageFolder package("*PatchType\r\n1\r\n%OutFiles\r\n\ta.dat\r\n\tb.dat\r\n%%\r\n");
    package.dir.Write("files/b.dat", "B");
    std::filesystem::remove(package.dir.Path() / "background.bmp");
    const tools::PackagePlan plan = package.Plan();
    EXPECT_TRUE(plan.background.empty());
    ASSERT_EQ(plan.payloads.size(), 1u);
    EXPECT_EQ(plan.payloads[0].number, 1);

    test::TempDir stage;
    tools::StagePackage(plan, stage.Path());
    const std::string rc = stage.Read("package.rc");
    EXPECT_EQ(rc.find("RESOURCE_BACKGROUND"), std::string::npos);
    EXPECT_EQ(rc.find("RESOURCE_FILE0"), std::string::npos);
    EXPECT_NE(rc.find("RESOURCE_FILE1 BIN"), std::string::npos);
}

TEST_F(ToolsTest, PatchscriptShowsEveryKeyAsJson) {
    test::TempDir dir;
    const auto script = dir.Write(
        "s.txt", std::string("*Caption\r\n\t修正パッチ &AMPERSAND; \"x\"\r\n*PatchType\r\n\t$10\r\n"
                             "%OutFiles\r\n\ta.dat\r\n\r\n%%\r\n") +
                     std::string("*GameTitle\r\n\x83\r\n"));
    const CommandResult run =
        Shell(std::string(PATCHSCRIPT_EXE) + " show --json " + script.string());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              u8"{\"Caption\": \"修正パッチ & \\\"x\\\"\", \"GameTitle\": \"\xEF\xBF\xBD\", "
              "\"PatchType\": \"$10\", \"CheckTargetFilename\": null, "
              "\"PatchTypeValue\": 16, \"LinkPath\": null, "
              "\"OutFiles\": [\"a.dat\", \"\"]}\n");
}

TEST_F(ToolsTest, PatchscriptAnswersSingleQuestionsWithTheReadersRules) {
    test::TempDir dir;
    const std::string script =
        dir.Write("s.txt", "*caption\r\nタイトル\r\n%LinkPath\r\n\tゲーム\\g.lnk\r\n%%\r\n")
            .string();
    const std::string get = std::string(PATCHSCRIPT_EXE) + " get --json " + script + " ";
    struct Case {
        std::string key;
        int status;
        std::string out;
    } cases[] = {
        {"'*Caption'", 0, u8"{\"key\": \"*Caption\", \"found\": true, \"value\": \"タイトル\"}\n"},
        {"' %LinkPath '", 0,
         u8"{\"key\": \" %LinkPath \", \"found\": true, \"entries\": [\"ゲーム\\\\g.lnk\"]}\n"},
        {"'*Missing'", 1, "{\"key\": \"*Missing\", \"found\": false, \"value\": null}\n"},
        {"'%Missing'", 1, "{\"key\": \"%Missing\", \"found\": false, \"entries\": null}\n"},
        {"''", 1, "{\"key\": \"\", \"found\": false, \"value\": null}\n"},
        {"'   '", 2, ""}, // a blank key is the reader's range error
    };
    for (const auto& c : cases) {
        const CommandResult run = Shell(get + c.key);
        EXPECT_EQ(run.status, c.status) << c.key;
        EXPECT_EQ(run.out, c.out) << c.key;
    }
}

TEST_F(ToolsTest, ConvertsShiftJisToUtf8WithReplacementCharacters) {
    EXPECT_EQ(tools::Cp932ToUtf8("ソ\\a"), u8"ソ\\a");
    EXPECT_EQ(tools::Cp932ToUtf8("\xb1"), u8"ｱ"); // half-width katakana
    EXPECT_EQ(tools::Cp932ToUtf8("\x83"), "\xEF\xBF\xBD");
    EXPECT_EQ(tools::Cp932ToUtf8("\x83\x20z"), "\xEF\xBF\xBD z");
    EXPECT_EQ(tools::Cp932ToUtf8("\x80"), "\xEF\xBF\xBD");
}

} // namespace
} // namespace brisel
