// The host tools for patch authors: the package planner and the patchscript
// command as a patch author runs it.
#include "BitmapFile.h"
#include "TempDir.h"
#include "TestSupport.h"
#include "common/Cp932.h"
#include "common/PackagePlan.h"
#include "common/ScriptText.h"

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

    std::vector<std::string> items;
    for (const auto& item : tools::PackageItems(plan)) {
        items.push_back(item.type + " " + item.name + " " + item.source.filename().u8string());
    }
    EXPECT_EQ(items, (std::vector<std::string>{"TEXT RESOURCE_SCRIPT script.txt",
                                               "BMP RESOURCE_BACKGROUND background.bmp",
                                               "BIN RESOURCE_FILE0 a.dat",
                                               u8"BIN RESOURCE_FILE2 ソ.dat"}));
}

TEST_F(ToolsTest, CarriesOnlyWhatIsThereWhenForcedPastErrors) {
    PackageFolder package("*PatchType\r\n1\r\n%OutFiles\r\n\ta.dat\r\n\tb.dat\r\n%%\r\n");
    package.dir.Write("files/b.dat", "B");
    std::filesystem::remove(package.dir.Path() / "background.bmp");
    const tools::PackagePlan plan = package.Plan();
    EXPECT_TRUE(plan.background.empty());
    ASSERT_EQ(plan.payloads.size(), 1u);
    EXPECT_EQ(plan.payloads[0].number, 1);

    std::vector<std::string> names;
    for (const auto& item : tools::PackageItems(plan)) {
        names.push_back(item.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"RESOURCE_SCRIPT", "RESOURCE_FILE1"}));
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
    EXPECT_EQ(tools::Cp932ToUtf8("\x85\x40"), "\xEF\xBF\xBD@"); // a pair with no character
    EXPECT_EQ(tools::Cp932ToUtf8("\x81\x60\x87\x90\xFA\x40"), u8"～≒ⅰ");
    EXPECT_EQ(tools::Cp932ToUtf8("\xF0\x40\xF9\xFC"), u8"\uE000\uE757"); // user-defined rows
}

TEST_F(ToolsTest, ConvertsUtf8ToShiftJisPreferringTheCodesWindowsWrites) {
    struct Case {
        const char* utf8;
        const char* sjis; // nullptr: no code page 932 form
    } cases[] = {
        {u8"ソ\\ｱ", "\x83\x5C\\\xB1"},
        {u8"≒", "\x81\xE0"},  // also 0x8790 (NEC row 13)
        {u8"ⅰ", "\xFA\x40"},  // also 0xEEEF (NEC-selected IBM extension)
        {u8"纊", "\xFA\x5C"}, // likewise, and its trail byte is 0x5C
        {u8"Ⅰ", "\x87\x54"},  // NEC row 13 before the IBM extension 0xFA4A
        {u8"€", nullptr},
        {"\xC3", nullptr}, // malformed UTF-8
    };
    for (const auto& c : cases) {
        std::string out = "untouched";
        EXPECT_EQ(tools::Utf8ToCp932(c.utf8, out), c.sjis != nullptr) << c.utf8;
        EXPECT_EQ(out, c.sjis != nullptr ? c.sjis : "untouched") << c.utf8;
    }
}

TEST_F(ToolsTest, CarriesUnicodeScriptsAsShiftJisWithCrLfAndShiftJisAsItIs) {
    struct Case {
        std::string bytes;
        std::string carried;
        std::string flaws; // "line:column U+code" each, "?" for malformed bytes
    } cases[] = {
        {"a\n\x83\x5C\r", "a\n\x83\x5C\r", ""}, // Shift-JIS, byte for byte
        {"\xC3\xA9", "\xC3\xA9", ""},           // valid UTF-8 too: still Shift-JIS
        {std::string("a\0b\0", 4), std::string("a\0b\0", 4), ""}, // UTF-16 without a mark
        {u8"テスト\nb\rc\r\n\nd", "\x83\x65\x83\x58\x83\x67\r\nb\r\nc\r\n\r\nd", ""},
        {u8"\uFEFF〜‖−¢£¬—¦", "\x81\x60\x81\x61\x81\x7C\x81\x91\x81\x92\x81\xCA\x81\x5C\xFA\x55",
         ""},
        {u8"\uFEFFa€€\n\xFF", "a??\r\n?", "1:2 U+20AC 2:1 ?"},
        {std::string("\xFF\xFE"
                     "a\0\n\0\x3D\xD8\x00\xDE",
                     10),
         "a\r\n?", "2:1 U+1F600"},
        {std::string("\xFE\xFF\x30\xBD\xD8\x3D"
                     "\0",
                     7),
         "\x83\x5C??", "1:2 ?"},
    };
    for (const auto& c : cases) {
        const tools::ScriptText text = tools::ReadScriptText(c.bytes);
        std::string flaws;
        for (const auto& flaw : text.flaws) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(flaw.character));
            flaws += (flaws.empty() ? "" : " ") + std::to_string(flaw.line) + ":" +
                     std::to_string(flaw.column) + " " + (flaw.malformed ? "?" : code);
        }
        EXPECT_EQ(text.carried, c.carried) << c.bytes;
        EXPECT_EQ(flaws, c.flaws) << c.bytes;
    }
}

// Scripts saved without a byte-order mark, as editors save them: each is
// read in the encoding its bytes make plausible, not by its length.
TEST_F(ToolsTest, ReadsEachScriptInTheEncodingItsAuthorSavedItIn) {
    using E = tools::ScriptEncoding;
    struct Case {
        const char* what;
        std::string bytes;
        E encoding;
        bool alsoUtf8; // kept as Shift-JIS with a warning that gives both readings
    } cases[] = {
        {"ASCII", "*Caption\r\n\tPatch\r\n", E::ShiftJis, false},
        {"UTF-8, one short word", u8"\t修正", E::Utf8, false},
        {"UTF-8, one kanji", u8"正", E::Utf8, false},
        {"UTF-8, a caption", u8"*Caption\n\t星海アルカディア 修正パッチ Ver1.02\n", E::Utf8, false},
        {"UTF-8 with its mark", u8"\uFEFF修正", E::Utf8, false},
        {"UTF-8 beyond code page 932", u8"修正€", E::Utf8, false},
        {"UTF-8 full-width forms", u8"ＡＢ", E::Utf8, false},
        {"Shift-JIS kanji", "\x8F\x43\x90\xB3\x83\x70\x83\x62\x83\x60", E::ShiftJis, false},
        {"Shift-JIS half-width katakana, valid UTF-8 too", "\xC3\xBD\xC4\xBA", E::ShiftJis, false},
        {"Shift-JIS level-2 kanji, valid UTF-8 too", "\xE0\xA0\x89\x40", E::ShiftJis, false},
        {"plausible both ways", u8"§1", E::ShiftJis, true},
        {"UTF-16 without a mark", std::string("*\0C\0a\0p\0", 8), E::Utf16Unmarked, false},
        {"a picture", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), E::NotText, false},
        {"one NUL in a text", std::string("*Caption\r\nA\0B\r\n*Version\r\n1\r\n", 28), E::ShiftJis,
         false},
    };
    for (const auto& c : cases) {
        const tools::ScriptText text = tools::ReadScriptText(c.bytes);
        EXPECT_EQ(text.encoding, c.encoding) << c.what;
        EXPECT_EQ(text.alsoUtf8, c.alsoUtf8) << c.what;
    }
}

// A PNG background: every pixel laid on the window's grey by its alpha,
// the rows bottom-up and padded to 4 bytes.
TEST_F(ToolsTest, CarriesAPngBackgroundAsThe24BitBitmapTheInstallerShows) {
    PackageFolder package("*PatchType\r\n0\r\n");
    std::filesystem::remove(package.dir.Path() / "background.bmp");
    package.dir.Write("background.png", test::ReadSourceFile("tests/native/pictures/rgba-3x2.png"));
    const std::string pixels = std::string("\x1E\x14\x0A\xFF\xFF\xFF\xB4\xB4\xB4\0\0\0", 12) +
                               std::string("\0\0\xFF\x78\xF8\x78\xF0\xF0\xF0\0\0\0", 12);
    test::BitmapFields bitmap;
    bitmap.width = 3;
    bitmap.height = 2;
    bitmap.sizeImage = 24;
    bitmap.pixels = pixels;
    const auto items = tools::PackageItems(package.Plan());
    ASSERT_EQ(items.at(1).name, "RESOURCE_BACKGROUND");
    EXPECT_EQ(items[1].bytes, test::BitmapFile(bitmap));
}

} // namespace
} // namespace brisel
