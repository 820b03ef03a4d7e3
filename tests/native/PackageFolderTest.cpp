// Reading a package folder: entry names as Windows will write them, and
// payload paths that never lead outside the folder, whatever the entries
// and links in it say.
#include "TempDir.h"
#include "TestSupport.h"
#include "check/Messages.h"
#include "check/PackageCheck.h"
#include "common/Cp932.h"
#include "common/EntryName.h"
#include "common/MemoryFiles.h"
#include "common/PackagePlan.h"

namespace brisel {
namespace {

namespace fs = std::filesystem;
using tools::EntryProblem;
using tools::ItemKind;
using PackageFolderTest = test::SubstituteTest;

TEST_F(PackageFolderTest, ReadsEntriesAsWindowsWillWriteThem) {
    using P = EntryProblem;
    const std::string longFolder(240, 'd');
    struct Case {
        std::string entry;
        std::vector<std::string> names;
        std::vector<P> problems;
    } cases[] = {
        {"a.dat", {"a.dat"}, {}},
        {"sub\\c.dat", {"sub", "c.dat"}, {}},
        {"sub/c.dat", {"sub", "c.dat"}, {}},
        {".\\a.dat", {"a.dat"}, {}},
        {"sub\\\\a.dat", {"sub", "a.dat"}, {}},
        // The trail byte 0x5C of "ソ" is no separator; 0x7C of "−" is no "|".
        {"ソ\\表.dat", {u8"ソ", u8"表.dat"}, {}},
        {"\x81\x7C.dat", {tools::Cp932ToUtf8("\x81\x7C.dat")}, {}},
        {"\\etc\\hostname", {"etc", "hostname"}, {P::Absolute}},
        {"/etc/hostname", {"etc", "hostname"}, {P::Absolute}},
        {"\\\\server\\share\\x", {"server", "share", "x"}, {P::Absolute}},
        {"C:\\x.dll", {"x.dll"}, {P::Absolute}},
        {"c:x.dll", {"x.dll"}, {P::Absolute}},
        {"..\\x.dll", {"..", "x.dll"}, {P::ParentStep}},
        {"a\\..\\..\\x", {"a", "..", "..", "x"}, {P::ParentStep}},
        {"a.dat:stream", {"a.dat:stream"}, {P::Colon}},
        {"a.dat ", {"a.dat "}, {P::TrailingDotOrSpace}},
        {"sub.\\a.dat", {"sub.", "a.dat"}, {P::TrailingDotOrSpace}},
        {"a|b", {"a|b"}, {P::ForbiddenCharacter}},
        {"a\tb", {"a\tb"}, {P::ForbiddenCharacter}},
        {"CON", {"CON"}, {P::DeviceName}},
        {"nul.txt", {"nul.txt"}, {P::DeviceName}},
        {"sub\\COM1.dat", {"sub", "COM1.dat"}, {P::DeviceName}},
        {"lpt9", {"lpt9"}, {P::DeviceName}},
        {"CONSOLE.dat", {"CONSOLE.dat"}, {}},
        {"sub\\", {"sub"}, {P::NamesFolder}},
        {".", {}, {P::NamesFolder}},
        {std::string(257, 'x'), {std::string(257, 'x')}, {P::TooLong}},
        {std::string(256, 'x'), {std::string(256, 'x')}, {P::TooLong}}, // one name: 255 at most
        // Deep enough that no temporary name fits beside it: the installer
        // then writes in place, so the entry is not too long.
        {longFolder + "\\a", {longFolder, "a"}, {}},
        {longFolder + "\\" + std::string(17, 'a'),
         {longFolder, std::string(17, 'a')},
         {P::TooLong}},
        {std::string(100, 'd') + "\\" + std::string(150, 'f'),
         {std::string(100, 'd'), std::string(150, 'f')},
         {}},
        {"..\\C:x", {"..", "C:x"}, {P::ParentStep, P::Colon}},
    };
    for (const auto& c : cases) {
        const tools::EntryName name = tools::ParseEntry(c.entry);
        EXPECT_EQ(name.names, c.names) << c.entry;
        EXPECT_EQ(name.problems, c.problems) << c.entry;
    }
    EXPECT_EQ(tools::ParseEntry("con.dat").device, "CON");
}

TEST_F(PackageFolderTest, ComparesEntriesAsWindowsComparesFileNames) {
    const auto key = [](const std::string& entry) {
        return tools::ParseEntry(entry).ComparisonKey();
    };
    EXPECT_EQ(key("A.DAT"), key("a.dat"));
    EXPECT_EQ(key("sub/a.dat"), key("SUB\\A.DAT"));
    EXPECT_EQ(key("a.dat. "), key("a.dat"));
    EXPECT_EQ(key("\x82\x81.dat"), key("\x82\x60.DAT")); // full-width a and A
    EXPECT_EQ(key("\x83\xBF"), key("\x83\x9F"));         // Greek alpha and Alpha
    EXPECT_NE(key("\x82\xA0"), key("\x83\x41"));         // hiragana and katakana a differ
    EXPECT_NE(key("a.dat"), key("a.dab"));
    EXPECT_NE(key("C:\\x"), key("x"));
    EXPECT_NE(key("C:x"), key("x"));
    EXPECT_NE(key("\\x"), key("x"));
    EXPECT_EQ(key("c:/x"), key("C:\\X"));
}

// A package on a machine that also holds files worth stealing, reached by
// entries and links of every kind.
struct HostileMachine {
    tools::MemoryFiles files;
    HostileMachine() {
        files.AddFile("/etc/passwd", "TOP-SECRET");
        files.AddFile("/etc/hostname", "TOP-SECRET");
        files.AddFile("/pkg/background.bmp", "");
        files.AddFile("/pkg/files/a.dat", "A");
        files.AddFile("/pkg/files/sub/c.dat", "C");
        files.AddLink("/pkg/files/in.dat", "a.dat");
        files.AddLink("/pkg/files/back", "../files/sub");
        files.AddLink("/pkg/files/up.dat", "../script.txt");
        files.AddLink("/pkg/files/abs.dat", "/etc/passwd");
        files.AddLink("/pkg/files/rel.dat", "../../etc/passwd");
        files.AddLink("/pkg/files/etc", "/etc");
        files.AddLink("/pkg/files/loop", "loop");
        files.AddLink("/pkg/files/dangling", "/nowhere/x");
        files.AddOther("/pkg/files/pipe");
    }
    void Script(const std::vector<std::string>& entries) {
        std::string script = "*PatchType\r\n1\r\n%LinkPath\r\n\tA\\a.lnk\r\n%%\r\n%OutFiles\r\n";
        for (const auto& entry : entries) {
            script += "\t" + entry + "\r\n";
        }
        files.AddFile("/pkg/script.txt", script + "%%\r\n");
    }
};

TEST_F(PackageFolderTest, FollowsLinksOnlyWhileTheyStayInsideFiles) {
    struct Case {
        std::string entry;
        bool lookedUp;
        ItemKind kind;
        std::string linkedTo;
    } cases[] = {
        {"a.dat", true, ItemKind::File, ""},
        {"in.dat", true, ItemKind::File, "files/a.dat"},
        {"back\\c.dat", true, ItemKind::File, "files/sub/c.dat"},
        {"sub", true, ItemKind::Folder, ""},
        {"pipe", true, ItemKind::Other, ""},
        {"none.dat", true, ItemKind::Missing, ""},
        {"a.dat\\x", true, ItemKind::Missing, ""},
        {"up.dat", true, ItemKind::Outside, ""},
        {"abs.dat", true, ItemKind::Outside, ""},
        {"rel.dat", true, ItemKind::Outside, ""},
        {"etc\\passwd", true, ItemKind::Outside, ""},
        {"loop", true, ItemKind::Outside, ""},
        {"dangling", true, ItemKind::Outside, ""},
        {"\\etc\\hostname", false, ItemKind::Missing, ""},
        {"/etc/passwd", false, ItemKind::Missing, ""},
        {"C:\\etc\\passwd", false, ItemKind::Missing, ""},
        {"C:..\\..\\etc\\passwd", false, ItemKind::Missing, ""},
        {"..\\..\\..\\etc\\passwd", false, ItemKind::Missing, ""},
        {"sub\\..\\..\\script.txt", false, ItemKind::Missing, ""},
    };
    HostileMachine machine;
    machine.Script({});
    const tools::PackageFolder folder(machine.files, "/pkg");
    for (const auto& c : cases) {
        const tools::PayloadLookup lookup = tools::LookUpPayload(folder, c.entry);
        ASSERT_EQ(lookup.item.has_value(), c.lookedUp) << c.entry;
        if (!lookup.item) {
            continue;
        }
        EXPECT_EQ(lookup.item->kind, c.kind) << c.entry;
        if (c.kind == ItemKind::File) {
            EXPECT_EQ(lookup.item->throughLink, !c.linkedTo.empty()) << c.entry;
            EXPECT_EQ(c.linkedTo.empty() ? "" : folder.ShownInPayloads(lookup.item->physical),
                      c.linkedTo)
                << c.entry;
        }
    }
    // Names that are no plain names are never looked up at all.
    for (const std::vector<std::string>& names :
         {std::vector<std::string>{".."}, {"a", ""}, {"."}, {"sub/../.."}, {"..\\x"}}) {
        EXPECT_EQ(folder.Locate(tools::Area::Payloads, names).kind, ItemKind::Outside);
    }
}

bool Inside(const std::string& path, const std::string& folder) {
    return path == folder || path.rfind(folder + "/", 0) == 0;
}

TEST_F(PackageFolderTest, TheCheckAndThePlanOpenNothingOutsideThePackage) {
    HostileMachine machine;
    machine.Script({"a.dat", "in.dat", "back\\c.dat", "up.dat", "abs.dat", "rel.dat", "etc\\passwd",
                    "etc\\hostname", "loop", "dangling", "pipe", "\\etc\\hostname", "/etc/passwd",
                    "..\\..\\..\\etc\\passwd", "C:\\etc\\passwd", "C:..\\..\\etc\\passwd",
                    "sub\\..\\..\\script.txt", "ETC\\PASSWD"});
    const tools::PackageFolder folder(machine.files, "/pkg");

    const std::vector<tools::Finding> findings =
        tools::CheckPackage(folder, {{"--out", "/out/setup.exe"}});
    for (const auto& finding : findings) {
        for (const auto language : {tools::Language::English, tools::Language::Japanese}) {
            EXPECT_EQ(tools::FindingLine(finding, tools::SeverityOf(finding.id), language)
                          .find("TOP-SECRET"),
                      std::string::npos);
        }
    }
    const tools::PackagePlan plan = tools::PlanPackage(folder);
    std::vector<std::string> carried;
    for (const auto& payload : plan.payloads) {
        carried.push_back(payload.entry);
        EXPECT_TRUE(Inside(payload.source.generic_string(), "/pkg/files")) << payload.entry;
    }
    EXPECT_EQ(carried, (std::vector<std::string>{"a.dat", "in.dat", "back\\c.dat"}));
    ASSERT_FALSE(machine.files.Opened().empty());
    for (const auto& opened : machine.files.Opened()) {
        EXPECT_TRUE(Inside(opened, "/pkg")) << opened;
    }
}

// The machine's own files, with every file opened or listed recorded.
class RecordingFiles : public tools::IHostFiles {
public:
    RecordingFiles() : real_(tools::MakeHostFiles()) {}
    std::vector<fs::path> opened;

    tools::HostEntry Look(const fs::path& path) override { return real_->Look(path); }
    std::optional<fs::path> LinkTarget(const fs::path& path) override {
        return real_->LinkTarget(path);
    }
    std::string ReadFile(const fs::path& path) override {
        opened.push_back(path);
        return real_->ReadFile(path);
    }
    std::vector<std::string> ListFolder(const fs::path& path) override {
        opened.push_back(path);
        return real_->ListFolder(path);
    }
    std::optional<fs::path> Canonical(const fs::path& path) override {
        return real_->Canonical(path);
    }
    bool CaseSensitive() const override { return real_->CaseSensitive(); }

private:
    std::unique_ptr<tools::IHostFiles> real_;
};

TEST_F(PackageFolderTest, OnTheRealMachineNothingOutsideIsOpenedOrCarried) {
    test::TempDir machine;
    const fs::path secret = machine.Write("secret.txt", "TOP-SECRET");
    std::string absolute = secret.string(); // written the Windows way
    for (char& c : absolute) {
        c = c == '/' ? '\\' : c;
    }
    machine.Write("pkg/background.bmp", "");
    machine.Write("pkg/files/a.dat", "A");
    machine.Write("pkg/script.txt", "*PatchType\r\n1\r\n%LinkPath\r\n\tA\\a.lnk\r\n%%\r\n"
                                    "%OutFiles\r\n\ta.dat\r\n\t" +
                                        absolute +
                                        "\r\n\t..\\..\\secret.txt\r\n\tabs.dat\r\n"
                                        "\trel.dat\r\n\tup\\secret.txt\r\n%%\r\n");
    const fs::path files = machine.Path() / "pkg/files";
    fs::create_symlink(secret, files / "abs.dat");
    fs::create_symlink("../../secret.txt", files / "rel.dat");
    fs::create_symlink("../..", files / "up");

    RecordingFiles host;
    const tools::PackageFolder folder(host, machine.Path() / "pkg");
    tools::CheckPackage(folder);
    const tools::PackagePlan plan = tools::PlanPackage(folder);
    ASSERT_EQ(plan.payloads.size(), 1u);
    EXPECT_EQ(plan.payloads[0].entry, "a.dat");
    const std::string inside = fs::canonical(machine.Path() / "pkg").string();
    for (const auto& path : host.opened) {
        EXPECT_TRUE(Inside(path.string(), inside)) << path;
    }

    // The installer is written from exactly these files.
    for (const auto& item : tools::PackageItems(plan)) {
        EXPECT_TRUE(Inside(item.source.string(), inside)) << item.source;
    }
}

} // namespace
} // namespace brisel
