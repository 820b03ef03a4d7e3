// The package check as a patch author meets it: small package folders, each
// with one mistake, checked and built by the real patchpack command.
#include "BitmapFile.h"
#include "StubImage.h"
#include "TempDir.h"
#include "TestSupport.h"
#include "check/Messages.h"
#include "common/UserLanguage.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>

namespace brisel {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int status = -1;
    std::string out;
    std::vector<std::string> findings; // stderr lines, without patchpack's own
};

// Runs patchpack with args in the locale environment given, e.g.
// "LC_ALL=C" or "LANG=ja_JP.UTF-8".
ToolRun Patchpack(const std::string& args, const std::string& locale = "LC_ALL=C") {
    test::TempDir capture;
    const fs::path out = capture.Path() / "out";
    const fs::path err = capture.Path() / "err";
    const std::string command = "env -u LC_ALL -u LC_MESSAGES -u LANG " + locale + " " +
                                PATCHPACK_EXE + " " + args + " >" + out.string() + " 2>" +
                                err.string();
    const int status = std::system(command.c_str());
    ToolRun run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = capture.Read("out");
    std::istringstream lines(capture.Read("err"));
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("patchpack: ", 0) != 0) {
            run.findings.push_back(line);
        }
    }
    return run;
}

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

// A script whose "%OutFiles" entries start on line 9.
std::string Script(const std::string& outFiles = "\ta.dat\r\n", const std::string& more = "") {
    return "*PatchType\r\n1\r\n"
           "%LinkPath\r\n\tGame\\Game.lnk\r\n%%\r\n"
           "*CheckTargetFilename\r\nGame.exe\r\n"
           "%OutFiles\r\n" +
           outFiles + "%%\r\n" + more;
}

const std::string& Picture600x300() {
    static const std::string picture = test::BitmapFile24(600, 300, 0, 0, 0);
    return picture;
}

// A package folder that passes the check, as a row changes it.
struct Package {
    test::TempDir dir;
    explicit Package(const std::string& script) {
        dir.Write("script.txt", script);
        dir.Write("background.bmp", Picture600x300());
        dir.Write("files/a.dat", "A");
    }
    fs::path Path() const { return dir.Path(); }
};

std::string Utf16(const std::string& ascii, bool bom) {
    std::string out = bom ? "\xFF\xFE" : "";
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

using Change = std::function<void(const Package&)>;

Change Write(const std::string& relative, const std::string& bytes) {
    return [=](const Package& p) { p.dir.Write(relative, bytes); };
}

Change Remove(const std::string& relative) {
    return [=](const Package& p) { fs::remove_all(p.Path() / relative); };
}

Change Link(const std::string& relative, const std::string& target) {
    return [=](const Package& p) {
        fs::remove_all(p.Path() / relative);
        fs::create_directories((p.Path() / relative).parent_path());
        fs::create_symlink(target, p.Path() / relative);
    };
}

struct Row {
    const char* what;
    std::string script;
    std::vector<Change> changes;
    std::vector<std::string> findings;
    int status;
};

const std::string kOverLong(300, 'x');
// With "C:\" before it and "\a.dat" after it, 250 characters: it fits, with
// no room left for a temporary name beside it.
const std::string kDeepFolder(241, 'd');
const std::string kWideName = [] {
    std::string name;
    for (int i = 0; i < 200; ++i) {
        name += "\x83\x41"; // katakana "a": 200 characters, 600 bytes in UTF-8
    }
    return name;
}();
const std::string kWideNameUtf8 = [] {
    std::string name;
    for (int i = 0; i < 200; ++i) {
        name += u8"ア";
    }
    return name;
}();

const std::string kTinyPng = "tests/native/pictures/rgba-3x2.png";
const std::string kPackagePng = "tests/patchpack/packages/picture-previous/background.png";
const std::string kConverted = "script.txt: note: the script is UTF-8; the installer carries it "
                               "converted to Shift-JIS (code page 932)";
const std::string kConvertedUtf16 = "script.txt: note: the script is UTF-16; the installer "
                                    "carries it converted to Shift-JIS (code page 932)";
const std::string kOutsideGame = "the installer would write outside the game folder";

std::vector<Row> Rows() {
    return {
        {"a clean package", Script(), {}, {}, 0},
        {"an empty background (no picture)", Script(), {Write("background.bmp", "")}, {}, 0},

        // How the script is saved.
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF" + Script(), {}, {kConverted}, 0},
        {"UTF-16 with a byte-order mark", Utf16(Script(), true), {}, {kConvertedUtf16}, 0},
        {"UTF-16 without a byte-order mark",
         Utf16(Script(), false),
         {},
         {"script.txt:1: error: the script is saved as UTF-16 (\"Unicode\") without a byte-order "
          "mark, which patchpack cannot read, not even with --force; save it again as UTF-8 with a "
          "byte-order mark (in Notepad: Save As, encoding \"UTF-8 with BOM\"), as UTF-16 with a "
          "byte-order mark, or as Shift-JIS (code page 932)"},
         1},
        // A UTF-8 entry, with a WAVE DASH that code page 932 holds as FULLWIDTH TILDE.
        {"UTF-8 text",
         Script(u8"\tデータ〜.dat\r\n", u8"*Caption\r\n\t修正パッチ\r\n"),
         {Remove("files/a.dat"), Write(u8"files/データ～.dat", "D")},
         {kConverted},
         0},
        {"UTF-8 with LF line ends keeps its line numbers",
         Script("\ta.dat\r\n", u8"*Caption\n\t修正パッチ\n*Captoin\n"),
         {},
         {kConverted, "script.txt:13: warning: \"*Captoin\" is not a key the installer reads; did "
                      "you mean \"*Caption\"?"},
         0},
        {"UTF-8 and Shift-JIS alike, plausible as UTF-8 alone",
         Script("\ta.dat\r\n", u8"*Caption\r\n\t修正€\r\n"),
         {},
         {kConverted, u8"script.txt:12: error: character 4 of this line, U+20AC (€), has no "
                      u8"Shift-JIS (code page 932) form, so the installer cannot show it; replace "
                      u8"it with a character that Shift-JIS has"},
         1},
        {"UTF-8 and Shift-JIS alike, plausible as both",
         Script("\ta.dat\r\n", u8"*Caption\r\n\t§1\r\n"),
         {},
         {u8"script.txt:12: warning: this line reads as Shift-JIS (\"\\tﾂｧ1\") and as UTF-8 "
          u8"(\"\\t§1\") alike; patchpack takes the script as Shift-JIS, so the installer shows "
          u8"\"\\tﾂｧ1\"; if it is UTF-8, save it as UTF-8 with a byte-order mark"},
         0},
        {"no text at all",
         std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\x02\x58", 20),
         {},
         {"script.txt:1: error: the script is no text file (many of its first bytes are control "
          "characters), which patchpack cannot read, not even with --force; write the patch script "
          "in a text editor and save it as script.txt (in Notepad: Save As, encoding \"UTF-8 with "
          "BOM\")"},
         1},
        {"a character without a Shift-JIS form",
         Script("\ta.dat\r\n", u8"*Caption\r\n\tパッチ 1€\r\n"),
         {},
         {kConverted, u8"script.txt:12: error: character 7 of this line, U+20AC (€), has no "
                      u8"Shift-JIS (code page 932) form, so the installer cannot show it; replace "
                      u8"it with a character that Shift-JIS has"},
         1},
        {"bytes that are no UTF-8 after a UTF-8 byte-order mark",
         "\xEF\xBB\xBF" + Script("\ta.dat\r\n", "*Caption\r\n\t\x83\x5C\r\n"),
         {},
         {kConverted, "script.txt:12: error: this line has bytes that are not UTF-8 text, though "
                      "the script starts with a UTF-8 byte-order mark; save the script as UTF-8 "
                      "again"},
         1},
        {"bytes that are no Shift-JIS",
         Script("\ta.dat\r\n", "*Caption\r\n\t\x80\xFF\r\n"),
         {},
         {"script.txt:12: warning: this line has bytes that are not Shift-JIS text: the "
          "installer shows other characters for them"},
         0},
        {"a NUL byte",
         Script("\ta.dat\r\n", std::string("*Caption\r\nA\0B\r\n", 15)),
         {},
         {"script.txt:12: error: a NUL byte: the installer stops reading the script here and "
          "ignores everything after it"},
         1},
        {"LF CR line ends",
         Script("\ta.dat\r\n", "*Caption\n\rA\n\r"),
         {},
         {"script.txt:11: warning: this line ends with LF CR or CR CR LF, which the installer "
          "reads as two line ends: an empty line follows every such line and can part values "
          "from their keys; save the script with CR LF line ends"},
         0},
        {"CR CR LF line ends",
         Script("\ta.dat\r\n", "*Caption\r\r\nA\r\r\n"),
         {},
         {"script.txt:11: warning: this line ends with LF CR or CR CR LF, which the installer "
          "reads as two line ends: an empty line follows every such line and can part values "
          "from their keys; save the script with CR LF line ends"},
         0},
        {"blank lines, lone CRs and lone LFs are no doubled line ends",
         Script("\ta.dat\r\n", "\r\n\r\n*Caption\rA\r\r*Version\nB\n\n"),
         {},
         {},
         0},

        // Near misses of the package's names and of its picture formats: one hint each.
        {"script.txt.txt",
         Script(),
         {Remove("script.txt"), Write("script.txt.txt", Script())},
         {"script.txt: error: not found, but \"script.txt.txt\" is here, its name ending in "
          "\".txt\" twice (Explorer hides the last one when it hides known extensions): rename "
          "it to \"script.txt\""},
         1},
        {"Script.txt",
         Script(),
         {Remove("script.txt"), Write("Script.txt", Script())},
         {"script.txt: error: not found, but \"Script.txt\" is here: rename it to \"script.txt\""},
         1},
        {"Files/",
         Script("\ta.dat\r\n\tb.dat\r\n"),
         {Remove("files"), Write("Files/a.dat", "A"), Write("Files/b.dat", "B")},
         {"files/: error: not found, but \"Files\" is here: rename it to \"files\""},
         1},
        {"payloads beside the script",
         Script("\ta.dat\r\n\tb.dat\r\n"),
         {Remove("files"), Write("a.dat", "A"), Write("b.dat", "B")},
         {"files/: error: no such folder, but the payloads (a.dat, b.dat) lie beside script.txt: "
          "make a folder named \"files\" and move them into it"},
         1},
        {"no files/",
         Script("\ta.dat\r\n\tb.dat\r\n\tc.dat\r\n\td.dat\r\n"),
         {Remove("files")},
         {u8"files/: error: no such folder: make a folder named \"files\" beside script.txt and "
          u8"put the payloads in it (a.dat, b.dat, c.dat, …)"},
         1},
        {"Background.BMP",
         Script(),
         {Remove("background.bmp"), Write("Background.BMP", Picture600x300())},
         {"background.bmp: error: not found, but \"Background.BMP\" is here: rename it to "
          "\"background.bmp\""},
         1},
        {"a PNG named .bmp",
         Script(),
         {Write("background.bmp", test::ReadSourceFile(kTinyPng))},
         {"background.bmp: error: this is a PNG picture, not what its name says: rename it to "
          "\"background.png\""},
         1},
        {"a JPEG named .bmp",
         Script(),
         {Write("background.bmp", "\xFF\xD8\xFF\xE0")},
         {"background.bmp: error: this is a JPEG picture, not what its name says: rename it to "
          "\"background.jpg\""},
         1},
        {"a GIF named .bmp",
         Script(),
         {Write("background.bmp", "GIF89a")},
         {"background.bmp: error: this is a GIF picture, which patchpack does not read: save it as "
          "PNG (background.png) or as a 24-bit bitmap (background.bmp)"},
         1},
        {"a PNG background",
         Script(),
         {Remove("background.bmp"), Write("background.png", test::ReadSourceFile(kPackagePng))},
         {u8"background.png: note: a PNG picture of 600 × 300 pixels with transparent parts: the "
          u8"installer carries it converted to a 24-bit Windows bitmap, laid on the window's grey "
          u8"(240, 240, 240)"},
         0},
        {"a PNG background that cannot be decoded",
         Script(),
         {Remove("background.bmp"), Write("background.png", "\x89PNG\r\n\x1A\n\0\0")},
         {"background.png: error: not a PNG picture that patchpack can read: save it again as PNG "
          "or as a 24-bit bitmap (background.bmp)"},
         1},
        {"a bitmap and a PNG",
         Script(),
         {Write("background.png", test::ReadSourceFile(kTinyPng))},
         {"background.png: error: \"background.bmp\" is here as well, and the installer shows one "
          "picture: keep only one of them"},
         1},

        // Folders of previous versions in the package.
        {"previous/ holding the new version",
         Script(),
         {Write("previous/a.dat", "A")},
         {"previous/: error: every payload found here (1) equals the new one in files/: this "
          "folder holds the new version; put the game's files as they were before this patch "
          "here"},
         1},
        {"previous-1.0/ with one file unchanged",
         Script("\ta.dat\r\n\tb.dat\r\n"),
         {Write("files/b.dat", "B"), Write("previous-1.0/a.dat", "A"),
          Write("previous-1.0/b.dat", "old B")},
         {"previous-1.0/a.dat: warning: equals the new version in files/, so no delta is made from "
          "it: check that this is the file as it was before this patch"},
         0},
        {"previous/ laid out as a package",
         Script(),
         {Write("previous/files/a.dat", "old A"), Write("previous/script.txt", Script())},
         {"previous/: note: laid out as a package (it has a files/ folder): patchpack reads the "
          "previous versions from its files/"},
         0},
        {"previous/ without any payload",
         Script(),
         {Write("previous/other.dat", "X")},
         {"previous/: error: no payload of the patch is found here: this folder should hold the "
          "previous versions at the entries' paths, laid out like files/ (a.dat)"},
         1},

        // The keys the installer reads.
        {"no %LinkPath",
         "*PatchType\r\n1\r\n*CheckTargetFilename\r\nGame.exe\r\n%OutFiles\r\n\ta.dat\r\n%%\r\n",
         {},
         {"script.txt:1: error: the script has no \"%LinkPath\" section: the installer stops at "
          "start-up with \"section not found\""},
         1},
        {"an empty %LinkPath",
         "*PatchType\r\n1\r\n%LinkPath\r\n%%\r\n%OutFiles\r\n\ta.dat\r\n%%\r\n"
         "*CheckTargetFilename\r\nGame.exe\r\n",
         {},
         {"script.txt:3: error: \"%LinkPath\" has no entries: the installer never finds the game"},
         1},
        {"a blank %LinkPath line",
         "*PatchType\r\n1\r\n%LinkPath\r\n\tGame\\Game.lnk\r\n\r\n\tOther\\o.lnk\r\n%%\r\n"
         "*CheckTargetFilename\r\nGame.exe\r\n%OutFiles\r\n\ta.dat\r\n%%\r\n",
         {},
         {"script.txt:5: error: a blank \"%LinkPath\" line: when no shortcut above it is found, "
          "the installer stops here with an error"},
         1},
        {"type 1 without %OutFiles",
         "*PatchType\r\n1\r\n%LinkPath\r\n\tGame\\Game.lnk\r\n%%\r\n*CheckTargetFilename\r\n"
         "Game.exe\r\n",
         {Remove("files")},
         {"script.txt:2: error: \"*PatchType\" counts as 1 (write the payload files) but the "
          "script has no \"%OutFiles\" section: the player gets \"section not found\" and, after "
          "Start, a success message with nothing written"},
         1},
        {"no *PatchType",
         "%LinkPath\r\n\tGame\\Game.lnk\r\n%%\r\n*CheckTargetFilename\r\nGame.exe\r\n"
         "%OutFiles\r\n\ta.dat\r\n%%\r\n",
         {},
         {"script.txt:1: warning: the script has no \"*PatchType\": it counts as 0, and Start "
          "does nothing"},
         0},
        {"*PatchType 2",
         "*PatchType\r\n2\r\n" + Script().substr(15),
         {},
         {"script.txt:2: warning: \"*PatchType\" is 2: only 0 and 1 do something; with this "
          "value Start does nothing"},
         0},
        {"*PatchType not a number",
         "*PatchType\r\n\tone\r\n" + Script().substr(15),
         {},
         {"script.txt:2: warning: \"*PatchType\" value \"one\" is not a number: it counts as 1, "
          "and Start writes the payload files"},
         0},
        {"no *CheckTargetFilename",
         "*PatchType\r\n1\r\n%LinkPath\r\n\tGame\\Game.lnk\r\n%%\r\n%OutFiles\r\n\ta.dat\r\n%%\r\n",
         {},
         {"script.txt:1: warning: the script has no \"*CheckTargetFilename\": any folder the "
          "player chooses enables Start"},
         0},
        {"an empty *CheckTargetFilename",
         "*PatchType\r\n1\r\n%LinkPath\r\n\tGame\\Game.lnk\r\n%%\r\n*CheckTargetFilename\r\n"
         "\r\n%OutFiles\r\n\ta.dat\r\n%%\r\n",
         {},
         {"script.txt:7: warning: \"*CheckTargetFilename\" is empty: any folder the player "
          "chooses enables Start"},
         0},
        {"a key with a trailing space",
         Script("\ta.dat\r\n", "*Caption \r\n\tTitle\r\n"),
         {},
         {"script.txt:11: warning: \"*Caption \" is not read as the key \"*Caption\": remove the "
          "spaces or tabs around it"},
         0},
        {"a tab before %%",
         Script("\ta.dat\r\n\t%%\r\n"),
         {},
         {"script.txt:10: warning: \"\\t%%\" is not read as the key \"%%\": remove the spaces or "
          "tabs around it",
          "files/%%: error: the payload of the \"%OutFiles\" entry on line 10 is missing"},
         1},
        {"a misspelt key",
         Script("\ta.dat\r\n", "*Captoin\r\n\tTitle\r\n"),
         {},
         {"script.txt:11: warning: \"*Captoin\" is not a key the installer reads; did you mean "
          "\"*Caption\"?"},
         0},
        {"a misspelt section",
         "*PatchType\r\n1\r\n%LinkPath\r\n\tGame\\Game.lnk\r\n%%\r\n*CheckTargetFilename\r\n"
         "Game.exe\r\n%OutFile\r\n\ta.dat\r\n%%\r\n",
         {},
         {"script.txt:2: error: \"*PatchType\" counts as 1 (write the payload files) but the "
          "script has no \"%OutFiles\" section: the player gets \"section not found\" and, after "
          "Start, a success message with nothing written",
          "script.txt:8: warning: \"%OutFile\" is not a key the installer reads; did you mean "
          "\"%OutFiles\"?",
          "files/a.dat: warning: no \"%OutFiles\" entry uses this file"},
         1},
        {"a section without its %%",
         "*PatchType\r\n1\r\n%LinkPath\r\n\tGame\\Game.lnk\r\n*CheckTargetFilename\r\nGame.exe\r\n"
         "%OutFiles\r\n\ta.dat\r\n%%\r\n",
         {},
         {"script.txt:3: warning: \"%LinkPath\" has no \"%%\" before line 5 "
          "(\"*CheckTargetFilename\"): that line and the lines after it become its entries"},
         0},
        {"a key given twice",
         Script("\ta.dat\r\n", "*CheckTargetFilename\r\nOther.exe\r\n"),
         {},
         {"script.txt:11: warning: \"*CheckTargetFilename\" again: the installer reads only the "
          "first one, on line 6"},
         0},
        {"an empty %OutFiles with type 1",
         Script(""),
         {},
         {"script.txt:8: warning: \"%OutFiles\" has no entries: Start writes nothing and reports "
          "success",
          "files/a.dat: warning: no \"%OutFiles\" entry uses this file"},
         0},

        // "%OutFiles" entries.
        {"an entry from the root",
         Script("\ta.dat\r\n\t\\etc\\hostname\r\n"),
         {},
         {"script.txt:10: error: entry \"\\etc\\hostname\" is an absolute path: " + kOutsideGame},
         1},
        {"an entry from the root with slashes",
         Script("\ta.dat\r\n\t/etc/hostname\r\n"),
         {},
         {"script.txt:10: error: entry \"/etc/hostname\" is an absolute path: " + kOutsideGame},
         1},
        {"an entry with a drive",
         Script("\ta.dat\r\n\tC:\\x.dll\r\n"),
         {},
         {"script.txt:10: error: entry \"C:\\x.dll\" is an absolute path: " + kOutsideGame},
         1},
        {"an entry on a drive's current folder",
         Script("\ta.dat\r\n\tc:x.dll\r\n"),
         {},
         {"script.txt:10: error: entry \"c:x.dll\" is an absolute path: " + kOutsideGame},
         1},
        {"an entry that climbs",
         Script("\ta.dat\r\n\t..\\..\\..\\..\\..\\..\\etc\\passwd\r\n"),
         {},
         {"script.txt:10: error: entry \"..\\..\\..\\..\\..\\..\\etc\\passwd\" contains \"..\": " +
          kOutsideGame},
         1},
        {"an entry with a colon",
         Script("\ta.dat\r\n\ta.dat:hidden\r\n"),
         {},
         {"script.txt:10: error: entry \"a.dat:hidden\" contains \":\": Windows takes it for a "
          "drive or a stream, not a file in the game folder"},
         1},
        {"an entry ending in a space",
         Script("\ta.dat\r\n\ta.dat&SPACE;\r\n"),
         {},
         {"script.txt:10: error: entry \"a.dat \" has a name that ends in a space or a dot: "
          "Windows drops it and writes another file",
          "script.txt:10: warning: entry \"a.dat \" names the same file as line 9: the later one "
          "overwrites it",
          "files/a.dat : error: the payload of the \"%OutFiles\" entry on line 10 is missing"},
         1},
        {"an entry ending in a dot",
         Script("\ta.dat\r\n\tb.dat.\r\n"),
         {Write("files/b.dat.", "B")},
         {"script.txt:10: error: entry \"b.dat.\" has a name that ends in a space or a dot: "
          "Windows drops it and writes another file"},
         1},
        {"an entry with a wildcard",
         Script("\ta.dat\r\n\ta?.dat\r\n"),
         {Write("files/a?.dat", "B")},
         {"script.txt:10: error: entry \"a?.dat\" contains a character that Windows does not "
          "allow in file names (< > \" | ? * or a control character)"},
         1},
        {"an entry naming a device",
         Script("\ta.dat\r\n\tcon.dat\r\n"),
         {},
         {"script.txt:10: error: entry \"con.dat\" names the Windows device CON: no file would "
          "be written"},
         1},
        {"an entry naming a folder",
         Script("\ta.dat\r\n\tsub\\\r\n"),
         {},
         {"script.txt:10: error: entry \"sub\\\" ends in a separator: it names a folder, not a "
          "file"},
         1},
        {"an over-long entry",
         Script("\ta.dat\r\n\t" + kOverLong + "\r\n"),
         {},
         {"script.txt:10: error: entry \"" + kOverLong.substr(0, 80) + u8"…" +
          "\" is too long: even in a game folder as short as \"C:\\\" the installer's path to "
          "it exceeds 259 characters"},
         1},
        {"the same file twice",
         Script("\ta.dat\r\n\t.\\a.dat\r\n"),
         {},
         {"script.txt:10: warning: entry \".\\a.dat\" names the same file as line 9: the later "
          "one overwrites it"},
         0},
        {"a deep entry as long as the installer's paths allow",
         Script("\ta.dat\r\n\t" + kDeepFolder + "\\a.dat\r\n"),
         {Write("files/" + kDeepFolder + "/a.dat", "A")},
         {"script.txt:10: warning: entry \"" + kDeepFolder.substr(0, 80) + u8"…" +
          "\" is in the folder \"" + kDeepFolder.substr(0, 80) + u8"…" +
          "\": the installer creates no folders, so it must already exist in the player's game "
          "folder"},
         0},
        {"entries in a sub-folder",
         Script("\ta.dat\r\n\tsub\\c.dat\r\n\tSub\\d.dat\r\n"),
         {Write("files/sub/c.dat", "C"), Write("files/Sub/d.dat", "D")},
         {"script.txt:10: warning: entry \"sub\\c.dat\" is in the folder \"sub\": the installer "
          "creates no folders, so it must already exist in the player's game folder"},
         0},

        // Payload files.
        {"a missing payload",
         Script("\ta.dat\r\n\tb.dat\r\n"),
         {},
         {"files/b.dat: error: the payload of the \"%OutFiles\" entry on line 10 is missing"},
         1},
        {"a payload named in another letter case",
         Script("\ta.dat\r\n\tsub\\b.dat\r\n"),
         {Write("files/SUB/B.DAT", "B")},
         {"script.txt:10: warning: entry \"sub\\b.dat\" is in the folder \"sub\": the installer "
          "creates no folders, so it must already exist in the player's game folder",
          "files/sub/b.dat: error: the payload of the \"%OutFiles\" entry on line 10 is missing; "
          "\"files/SUB/B.DAT\" differs only in letter case"},
         1},
        {"a folder for a payload",
         Script("\ta.dat\r\n\tb.dat\r\n"),
         {[](const Package& p) { fs::create_directories(p.Path() / "files/b.dat"); }},
         {"files/b.dat: error: a folder, not the payload file of the entry on line 10"},
         1},
        {"a pipe for a payload",
         Script("\ta.dat\r\n\tb.dat\r\n"),
         {[](const Package& p) { mkfifo((p.Path() / "files/b.dat").c_str(), 0600); }},
         {"files/b.dat: error: not a regular file (the entry on line 10)"},
         1},
        {"a link to a file outside",
         Script("\ta.dat\r\n\tb.dat\r\n"),
         {Link("files/b.dat", "/etc/hostname")},
         {"files/b.dat: error: the entry on line 10 leads outside files/ through a link: "
          "patchpack reads no payload from outside files/"},
         1},
        {"a link to the package's own script",
         Script("\ta.dat\r\n\tb.dat\r\n"),
         {Link("files/b.dat", "../script.txt")},
         {"files/b.dat: error: the entry on line 10 leads outside files/ through a link: "
          "patchpack reads no payload from outside files/"},
         1},
        {"files/ itself a link outside",
         Script("\thostname\r\n"),
         {Link("files", "/etc")},
         {"files/hostname: error: the entry on line 9 leads outside files/ through a link: "
          "patchpack reads no payload from outside files/"},
         1},
        {"a link inside files/", Script("\tb.dat\r\n"), {Link("files/b.dat", "a.dat")}, {}, 0},
        {"a name too long for this system",
         Script("\ta.dat\r\n\t" + kWideName + "\r\n"),
         {},
         {"files/" + kWideNameUtf8 +
          ": error: the name is too long for this system's files (the entry on line 10)"},
         1},
        {"a file no entry uses",
         Script(),
         {Write("files/extra/old.dat", "X")},
         {"files/extra/old.dat: warning: no \"%OutFiles\" entry uses this file"},
         0},

        // The package's own files.
        {"no script",
         Script(),
         {Remove("script.txt")},
         {"script.txt: error: the patch script is missing"},
         1},
        {"a folder for the script",
         Script(),
         {Remove("script.txt"), Write("script.txt/x", "")},
         {"script.txt: error: not a file"},
         1},
        {"the script a link outside",
         Script(),
         {Link("script.txt", "/etc/hostname")},
         {"script.txt: error: a link that leads outside the package folder; patchpack reads "
          "nothing outside it"},
         1},
        {"no background",
         Script(),
         {Remove("background.bmp")},
         {"background.bmp: error: the background picture is missing (an empty file means no "
          "picture)"},
         1},
        {"a background that is no bitmap",
         Script(),
         {Write("background.bmp", "not a picture")},
         {"background.bmp: error: neither an empty file nor a Windows bitmap that the installer "
          "can show"},
         1},
        {"a cut-off bitmap",
         Script(),
         {Write("background.bmp", Picture600x300().substr(0, 1000))},
         {"background.bmp: error: the bitmap ends before its header or its pixels are complete"},
         1},
        {"a larger picture",
         Script(),
         {Write("background.bmp", test::BitmapFile24(640, 300, 0, 0, 0))},
         {u8"background.bmp: warning: the picture is 640 × 300 pixels, not 600 × 300: the "
          u8"window shows only its top-left 600 × 300 part"},
         0},
        {"a smaller picture",
         Script(),
         {Write("background.bmp", test::BitmapFile24(2, 2, 0, 0, 0))},
         {u8"background.bmp: warning: the picture is 2 × 2 pixels, not 600 × 300: the window "
          u8"shows the button-face colour around it"},
         0},
        {"a wide, low picture",
         Script(),
         {Write("background.bmp", test::BitmapFile24(700, 10, 0, 0, 0))},
         {u8"background.bmp: warning: the picture is 700 × 10 pixels, not 600 × 300: the window "
          u8"cuts it off on one side and shows the button-face colour on the other"},
         0},
    };
}

TEST(PackageCheck, FindsEachMistakeWhereTheAuthorCanFixIt) {
    for (const Row& row : Rows()) {
        Package package(row.script);
        for (const auto& change : row.changes) {
            change(package);
        }
        const ToolRun run = Patchpack("check " + Quoted(package.Path()));
        EXPECT_EQ(run.findings, row.findings) << row.what;
        EXPECT_EQ(run.status, row.status) << row.what;
    }
}

TEST(PackageCheck, StrictCountsWarningsAsErrorsButNotNotes) {
    Package package("\xEF\xBB\xBF*PatchType\r\n2\r\n" + Script().substr(15));
    const ToolRun run = Patchpack("check --strict " + Quoted(package.Path()));
    EXPECT_EQ(run.findings,
              (std::vector<std::string>{kConverted,
                                        "script.txt:2: error: \"*PatchType\" is 2: only 0 and 1 "
                                        "do something; with this value Start does nothing"}));
    EXPECT_EQ(run.status, 1);
}

TEST(PackageCheck, SpeaksJapaneseToAJapaneseUser) {
    Package package(Script("\ta.dat\r\n\tb.dat\r\n"));
    const std::vector<std::string> japanese = {
        u8"files/b.dat: エラー: 10 行目の「%OutFiles」項目のファイルがありません"};
    EXPECT_EQ(Patchpack("check " + Quoted(package.Path()), "LANG=ja_JP.UTF-8").findings, japanese);
    EXPECT_EQ(
        Patchpack("check " + Quoted(package.Path()), "LANG=C LC_MESSAGES=ja_JP.UTF-8").findings,
        japanese);
    EXPECT_EQ(Patchpack("check " + Quoted(package.Path()), "LANG=ja_JP.UTF-8 LC_ALL=C").findings,
              std::vector<std::string>{
                  "files/b.dat: error: the payload of the \"%OutFiles\" entry on line 10 is "
                  "missing"});
}

TEST(PackageCheck, ATroubledCommandLineOrFolderExitsWithTwo) {
    test::TempDir empty;
    EXPECT_EQ(Patchpack("check " + Quoted(empty.Path() / "none")).status, 2);
    EXPECT_EQ(Patchpack("check").status, 2);
    EXPECT_EQ(Patchpack("check " + Quoted(empty.Path()) + " --bogus").status, 2);
}

// A small stand-in stub, so that builds run without the cross builds.
struct FakeStub {
    test::TempDir dir;
    fs::path file;
    FakeStub() {
        const std::string page(0x200, 'c');
        file = dir.Write("stub.exe",
                         test::BuildStubImage({0x200, {{".text", page}, {".reloc", page}}, -1, 1}));
    }
};

TEST(PackageCheck, BuildsOnlyWhatPassesOrIsForced) {
    struct Case {
        const char* what;
        std::vector<Change> changes;
        std::string flags;
        int status;
        bool built;
    } cases[] = {
        {"clean", {}, "", 0, true},
        {"a warning", {Write("files/extra.dat", "X")}, "", 0, true},
        {"a warning under --strict", {Write("files/extra.dat", "X")}, "--strict", 1, false},
        {"an error", {Remove("files/a.dat")}, "", 1, false},
        {"an error, forced", {Remove("files/a.dat")}, "--force", 0, true},
        {"an entry outside the game folder, forced",
         {Write("script.txt", Script("\ta.dat\r\n\t..\\b.dat\r\n"))},
         "--force",
         1,
         false},
        {"a script that is no text, forced",
         {Write("script.txt", std::string(8, 0))},
         "--force",
         1,
         false},
    };
    FakeStub stub;
    for (const auto& c : cases) {
        Package package(Script("\ta.dat\r\n\t\r\n\tb.dat\r\n"));
        package.dir.Write("files/b.dat", "BB");
        for (const auto& change : c.changes) {
            change(package);
        }
        test::TempDir outDir;
        const fs::path out = outDir.Path() / "setup.exe";
        const ToolRun run = Patchpack("build " + Quoted(package.Path()) + " --stub " +
                                      Quoted(stub.file) + " --out " + Quoted(out) + " " + c.flags);
        EXPECT_EQ(run.status, c.status) << c.what;
        EXPECT_EQ(fs::exists(out), c.built) << c.what;
        EXPECT_EQ(std::distance(fs::directory_iterator(outDir.Path()), {}), c.built ? 1 : 0)
            << c.what << ": nothing but the installer is written";
        if (c.built) {
            // The summary: each payload with its entry, the total, the installer.
            const std::string payload =
                "RESOURCE_FILE2" + std::string(15, ' ') + "2 bytes  b.dat (raw)\n";
            const std::string size = std::to_string(fs::file_size(out));
            const std::string installer = "installer" + std::string(21 - size.size(), ' ') + size +
                                          " bytes  " + out.string() + "\n";
            EXPECT_NE(run.out.find(payload), std::string::npos) << c.what << run.out;
            EXPECT_NE(run.out.find(installer), std::string::npos) << c.what << run.out;
        }
    }
}

TEST(PackageCheck, NeverWritesIntoThePackageFolderEvenWhenForced) {
    FakeStub stub;
    Package package(Script());
    const fs::path payload = package.Path() / "files/a.dat";
    for (const std::string flags : {"", "--force"}) {
        const ToolRun run =
            Patchpack("build " + Quoted(package.Path()) + " --stub " + Quoted(stub.file) +
                      " --out " + Quoted(payload) + " " + flags);
        const std::vector<std::string> expected = {
            payload.string() +
            ": error: --out is inside the package folder: write the installer somewhere else"};
        EXPECT_EQ(run.findings, expected) << flags;
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(package.dir.Read("files/a.dat"), "A");
    }
    test::TempDir outDir;
    const fs::path nowhere = outDir.Path() / "no-such-folder" / "setup.exe";
    const ToolRun run = Patchpack("build " + Quoted(package.Path()) + " --stub " +
                                  Quoted(stub.file) + " --out " + Quoted(nowhere));
    const std::vector<std::string> expected = {nowhere.string() +
                                               ": error: the folder for --out does not exist"};
    EXPECT_EQ(run.findings, expected);
    EXPECT_EQ(run.status, 1);
}

TEST(PackageCheck, EveryMessageSaysTheSameInBothLanguages) {
    const std::vector<std::string> args = {"<1>", "<2>", "<3>"};
    for (int id = 0; id <= static_cast<int>(tools::MessageId::OutputFolderMissing); ++id) {
        const tools::Finding finding{static_cast<tools::MessageId>(id), "f", 0, args};
        const std::string english = tools::FindingText(finding, tools::Language::English);
        const std::string japanese = tools::FindingText(finding, tools::Language::Japanese);
        for (const auto& arg : args) {
            EXPECT_EQ(english.find(arg) == std::string::npos,
                      japanese.find(arg) == std::string::npos)
                << id << ": " << english;
        }
        EXPECT_EQ(english.find('{'), std::string::npos) << id;
        EXPECT_EQ(japanese.find('{'), std::string::npos) << id;
        EXPECT_NE(english, japanese) << id;
    }
}

TEST(PackageCheck, TheUsersLanguageComesFromTheFirstLocaleVariableSet) {
    using tools::Language;
    struct Case {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        Language expected;
    } cases[] = {
        {nullptr, nullptr, nullptr, Language::English},
        {nullptr, nullptr, "ja_JP.UTF-8", Language::Japanese},
        {"", "", "ja_JP.eucJP", Language::Japanese},
        {"C", nullptr, "ja_JP.UTF-8", Language::English},
        {nullptr, "ja_JP", "en_US.UTF-8", Language::Japanese},
        {"en_GB.UTF-8", "ja_JP.UTF-8", "ja_JP.UTF-8", Language::English},
        {"ja", nullptr, nullptr, Language::Japanese},
        {"ja@cjknarrow", nullptr, nullptr, Language::Japanese},
        {"jam_JM", nullptr, nullptr, Language::English},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tools::LanguageFromLocale(c.lcAll, c.lcMessages, c.lang), c.expected)
            << (c.lcAll ? c.lcAll : "-") << " " << (c.lcMessages ? c.lcMessages : "-") << " "
            << (c.lang ? c.lang : "-");
    }
}

} // namespace
} // namespace brisel
