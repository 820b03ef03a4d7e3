// The main window's logic, driven through a fake view: actions and their
// buttons, the error report, start-up, choosing the directory and the patch
// step, against the host substitutes of the package, shell and files.
#include "BitmapFile.h"
#include "FakeFormView.h"
#include "TempDir.h"
#include "TestSupport.h"
#include "compress/PayloadCompression.h"
#include "platform/Shell.h"
#include "platform/substitute/FilesStore.h"
#include "platform/substitute/HostPath.h"
#include "platform/substitute/ShellStore.h"
#include "window/DiskSpace.h"
#include "window/ErrorReport.h"
#include "window/Messages.h"
#include "window/Uformmain.h"

#include <sys/stat.h>

namespace brisel {
namespace {

const char* const kStartCaption = "修正開始(&S)";
const char* const kCancelCaption = "中止(&C)";

class FormMainTest : public test::SubstituteTest {
protected:
    test::TempDir disk;
    test::FakeFormView view;

    void SetUp() override {
        test::SubstituteTest::SetUp();
        substitute::Shell().folders[platform::kCsidlPrograms] = Host("Programs");
        substitute::Shell().folders[platform::kCsidlCommonPrograms] = Host("Common");
        Resource("BMP", "RESOURCE_BACKGROUND", test::BitmapFile24(4, 2, 1, 2, 3));
    }

    std::string Host(const std::string& relative) const {
        return (disk.Path() / relative).string();
    }

    void Resource(const char* type, const std::string& name, const std::string& bytes) {
        substitute::PackageResources()[{type, name}] = bytes;
    }
    void Script(const std::string& text) { Resource("TEXT", "RESOURCE_SCRIPT", text); }

    // A shortcut below a Programs folder ("Programs" or "Common") to target.
    void Shortcut(const std::string& folder, const std::string& entry, const std::string& target) {
        std::string relative = folder + "/" + entry;
        for (char& c : relative) {
            c = c == '\\' ? '/' : c;
        }
        disk.Write(test::Utf8(relative), "");
        substitute::Shell()
            .shortcuts[substitute::HostPath(test::Wide(Host(folder) + "\\" + entry))] = target;
    }

    // A game folder on the host disk, with its executable.
    std::string GameDir(const std::string& name = "game") {
        disk.Write(name + "/Game.exe", "MZ");
        return Host(name);
    }

    std::unique_ptr<TFormMain> Create() {
        auto form = std::make_unique<TFormMain>(view);
        RunEventHandler(view, [&] { form->FormCreate(); });
        return form;
    }
};

TEST_F(FormMainTest, StartsWithTheActionsOfTheFormDescription) {
    TFormMain form(view);
    EXPECT_EQ(form.actStart.Caption(), kStartCaption);
    EXPECT_FALSE(form.actStart.Enabled());
    EXPECT_EQ(form.actCancel.Caption(), kCancelCaption);
    EXPECT_TRUE(form.actCancel.Enabled());
    EXPECT_EQ(form.actChangePath.Caption(), "修正対象ディレクトリの指定(&T)");
    EXPECT_TRUE(form.actChangePath.Enabled());
    EXPECT_EQ(form.Caption(), "FormMain");
    EXPECT_EQ(form.FPatchType, 0);
    EXPECT_EQ(form.FOutFiles, nullptr);
}

TEST_F(FormMainTest, BoundButtonsFollowTheirActionAndOnlyAnEnabledActionRuns) {
    TFormMain form(view);
    form.actStart.SetEnabled(true);
    form.actStart.SetEnabled(true); // no change, no notice
    form.actCancel.SetCaption("終了(&X)");
    ASSERT_EQ(view.actionChanges.size(), 2u);
    EXPECT_EQ(view.actionChanges[0].first, ActionId::Start);
    EXPECT_TRUE(view.actionChanges[0].second.enabled);
    EXPECT_EQ(view.actionChanges[1].second.caption, "終了(&X)");

    form.actCancel.SetEnabled(false);
    EXPECT_FALSE(form.actCancel.Execute());
    EXPECT_FALSE(view.closed);
    form.actCancel.SetEnabled(true);
    EXPECT_TRUE(form.actCancel.Execute());
    EXPECT_TRUE(view.closed);
}

TEST_F(FormMainTest, TheLinkRunsChangePathAsABoundButtonWould) {
    TFormMain form(view);
    form.FGameTitle = "ゲーム";
    form.lblChangePathClick();
    ASSERT_EQ(view.browseRequests.size(), 1u);
    EXPECT_EQ(view.browseRequests[0].prompt,
              "\"ゲーム\"がインストールされているディレクトリを指定してください");
}

TEST_F(FormMainTest, TheErrorReportAddsAFullStopAfterCharactersAboveIt) {
    struct Case {
        std::string message, shown;
    } cases[] = {
        {"", ""},
        {"abc", "abc."},
        {"abc.", "abc."},
        {"a-", "a-"}, // 0x2D is below "."
        {"a!", "a!"},
        {"a/", "a/."}, // 0x2F is above "."
        {"RESOURCE_BACKGROUND リソースが見つかりません",
         "RESOURCE_BACKGROUND リソースが見つかりません."}, // lead byte 0x82 compared unsigned
        {"。", "。."},
        {"x\x81", "x\x81."}, // a lone lead byte at the end
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ErrorReportText(c.message), c.shown) << c.message;
    }
}

TEST_F(FormMainTest, AMissingBackgroundEndsStartUpWithTheErrorReport) {
    substitute::PackageResources().erase({"BMP", "RESOURCE_BACKGROUND"});
    Script("*Caption\r\nTitle\r\n");
    const auto form = Create();
    ASSERT_EQ(view.errorReports.size(), 1u);
    EXPECT_EQ(view.errorReports[0], "RESOURCE_BACKGROUND リソースが見つかりません.");
    EXPECT_EQ(form->Caption(), "FormMain");
    EXPECT_EQ(test::Utf8(form->TargetDirText()), "");
    EXPECT_FALSE(form->actStart.Enabled());
    EXPECT_TRUE(form->Background().Empty());
    EXPECT_TRUE(view.plainMessages.empty());
}

TEST_F(FormMainTest, BrokenBackgroundsAndAMissingScriptAreReported) {
    struct Case {
        std::optional<std::string> background;
        bool script;
        std::string report;
    } cases[] = {
        {std::string("XM") + std::string(60, '\0'), true, "ビットマップイメージが不正です."},
        {std::string("BM"), true, "ストリームからの読み込みエラー."},
        {std::string(""), false, "RESOURCE_SCRIPT リソースが見つかりません."},
    };
    for (const auto& c : cases) {
        substitute::PackageResources().clear();
        Resource("BMP", "RESOURCE_BACKGROUND", *c.background);
        if (c.script) {
            Script("*Caption\r\nT\r\n");
        }
        view.errorReports.clear();
        const auto form = Create();
        EXPECT_EQ(view.errorReports, std::vector<std::string>{c.report});
        EXPECT_EQ(form->Caption(), "FormMain");
        EXPECT_FALSE(form->actStart.Enabled());
    }
}

// A compressed picture is decoded and checked before it is shown: intact, it
// is the bitmap it was made of; spoiled, start-up reports the read error.
TEST_F(FormMainTest, ACompressedBackgroundIsTheBitmapOrTheReadError) {
    const std::string bitmap = test::BitmapFile24(64, 32, 1, 2, 3);
    const auto packed = tools::PackBytes(bitmap);
    ASSERT_TRUE(packed);
    Resource("BMP", "RESOURCE_BACKGROUND", bitmap);
    const std::string stored = Create()->Background().PackedDib();
    const auto changed = [&](std::string bytes, std::size_t at) {
        bytes[at] = static_cast<char>(bytes[at] ^ 1);
        return bytes;
    };
    const struct Case {
        std::string record, stream, report;
    } cases[] = {
        {packed->record, packed->stream, ""},
        {changed(packed->record, 24), packed->stream, "ストリームからの読み込みエラー."}, // CRC
        {changed(packed->record, 8), packed->stream, "ストリームからの読み込みエラー."},  // size
        {packed->record, packed->stream.substr(0, packed->stream.size() - 8),
         "ストリームからの読み込みエラー."},
    };
    for (const auto& c : cases) {
        substitute::PackageResources().clear();
        Resource("PACKED", "RESOURCE_BACKGROUND", c.record);
        Resource("LZMA", "RESOURCE_BACKGROUND", c.stream);
        Script("*Caption\r\nT\r\n");
        view.errorReports.clear();
        const auto form = Create();
        EXPECT_EQ(view.errorReports, c.report.empty() ? std::vector<std::string>{}
                                                      : std::vector<std::string>{c.report});
        EXPECT_EQ(form->Background().PackedDib(), c.report.empty() ? stored : "");
    }
}

TEST_F(FormMainTest, AZeroLengthBackgroundIsAnEmptyPictureWithoutError) {
    Resource("BMP", "RESOURCE_BACKGROUND", "");
    Script("*Caption\r\n\tパッチ\r\n%LinkPath\r\n%%\r\n");
    const auto form = Create();
    EXPECT_TRUE(view.errorReports.empty());
    EXPECT_TRUE(form->Background().Empty());
    EXPECT_EQ(form->Caption(), "パッチ");
}

TEST_F(FormMainTest, ATypicalStartUpShowsTheGamesDirectoryAndEnablesStart) {
    const std::string game = GameDir();
    Shortcut("Programs", "ゲーム\\ゲーム.lnk", game + "\\Game.exe");
    Script("*PatchType\r\n\t1\r\n\r\n%LinkPath\r\n\tゲーム\\ゲーム.lnk\r\n%%\r\n\r\n"
           "*Caption\r\n\tゲーム 修正パッチ Ver1.0\r\n*GameTitle\r\n\tゲーム\r\n"
           "*CheckTargetFilename\r\nGame.exe\r\n%OutFiles\r\n\ta.dat\r\n%%\r\n");
    const auto form = Create();
    EXPECT_TRUE(view.errorReports.empty());
    EXPECT_TRUE(view.plainMessages.empty());
    EXPECT_EQ(form->Caption(), "ゲーム 修正パッチ Ver1.0");
    EXPECT_EQ(view.caption, "ゲーム 修正パッチ Ver1.0");
    EXPECT_EQ(test::Utf8(form->TargetDirText()), game + "\\");
    EXPECT_EQ(view.shownTargetDir, game + "\\");
    EXPECT_TRUE(form->actStart.Enabled());
    EXPECT_EQ(form->FGameTitle, "ゲーム");
    EXPECT_EQ(form->FPatchType, 1);
    EXPECT_EQ(form->FCheckTargetFilename, "Game.exe");
    ASSERT_NE(form->FOutFiles, nullptr);
    EXPECT_EQ(form->FOutFiles->Items(), std::vector<String>{"a.dat"});
    EXPECT_EQ(form->Background().Width(), 4);
    EXPECT_EQ(view.backgroundChanges, 1);
}

TEST_F(FormMainTest, StartUpOutcomesFollowTheScript) {
    const std::string game = GameDir();
    Shortcut("Programs", "G\\g.lnk", game + "\\Game.exe");
    Shortcut("Common", "C\\c.lnk", game + "\\Game.exe");
    Shortcut("Programs", "N\\n.lnk", "NoSeparator.exe");
    const std::string notFound = messages::kGameNotFound;
    const std::string linkMissing = messages::kLinkPathSectionMissing;
    const std::string outMissing = messages::kOutFilesSectionMissing;
    struct Case {
        const char* what;
        std::string script;
        std::string targetDir;
        bool start;
        std::vector<std::string> messages;
        bool outFilesCreated;
    } cases[] = {
        {"type 0 without OutFiles",
         "*PatchType\r\n0\r\n%LinkPath\r\nG\\g.lnk\r\n%%\r\n",
         game + "\\",
         true,
         {},
         true},
        {"LinkPath absent",
         "*PatchType\r\n1\r\n%OutFiles\r\na\r\n%%\r\n",
         "",
         false,
         {linkMissing},
         false},
        {"empty LinkPath", "%LinkPath\r\n%%\r\n%OutFiles\r\n%%\r\n", "", false, {notFound}, false},
        {"no shortcut", "%LinkPath\r\nX\\x.lnk\r\n%%\r\n", "", false, {notFound}, false},
        {"second entry resolves",
         "%LinkPath\r\nX\\x.lnk\r\nG\\g.lnk\r\n%%\r\n",
         game + "\\",
         true,
         {},
         true},
        {"all-users folder", "%LinkPath\r\nC\\c.lnk\r\n%%\r\n", game + "\\", true, {}, true},
        {"OutFiles absent, type 1, marker present",
         "*PatchType\r\n1\r\n*CheckTargetFilename\r\nGame.exe\r\n%LinkPath\r\nG\\g.lnk\r\n%%\r\n",
         game + "\\",
         true,
         {outMissing},
         true},
        {"OutFiles absent, type 1, marker absent",
         "*PatchType\r\n1\r\n*CheckTargetFilename\r\nNone.exe\r\n%LinkPath\r\nG\\g.lnk\r\n%%\r\n",
         game + "\\",
         false,
         {outMissing},
         true},
        {"OutFiles found, marker absent: Start is enabled anyway",
         "*CheckTargetFilename\r\nNone.exe\r\n%LinkPath\r\nG\\g.lnk\r\n%%\r\n%OutFiles\r\n%%\r\n",
         game + "\\",
         true,
         {},
         true},
        {"target without a separator", "%LinkPath\r\nN\\n.lnk\r\n%%\r\n", "\\", true, {}, true},
    };
    for (const auto& c : cases) {
        view = test::FakeFormView();
        Script(c.script);
        const auto form = Create();
        EXPECT_EQ(test::Utf8(form->TargetDirText()), c.targetDir) << c.what;
        EXPECT_EQ(form->actStart.Enabled(), c.start) << c.what;
        EXPECT_EQ(view.plainMessages, c.messages) << c.what;
        EXPECT_EQ(form->FOutFiles != nullptr, c.outFilesCreated) << c.what;
        EXPECT_TRUE(view.errorReports.empty()) << c.what;
        EXPECT_EQ(form->Caption(), "FormMain") << c.what;
    }
}

TEST_F(FormMainTest, ABlankLinkPathLineEndsTheWalkWithTheRangeError) {
    Shortcut("Programs", "G\\g.lnk", GameDir() + "\\Game.exe");
    Script("%LinkPath\r\nX\\x.lnk\r\n\r\nG\\g.lnk\r\n%%\r\n");
    const auto form = Create();
    EXPECT_EQ(view.errorReports.size(), 1u);
    EXPECT_TRUE(view.plainMessages.empty());
    EXPECT_EQ(test::Utf8(form->TargetDirText()),
              ""); // the entry after the blank line was never tried
    EXPECT_FALSE(form->actStart.Enabled());
    EXPECT_EQ(form->FOutFiles, nullptr);
}

class StartedFormTest : public FormMainTest {
protected:
    std::string game;
    std::unique_ptr<TFormMain> form;

    void StartWith(const std::string& extraScript) {
        game = GameDir();
        Shortcut("Programs", "G\\g.lnk", game + "\\Game.exe");
        Script("*CheckTargetFilename\r\nGame.exe\r\n%LinkPath\r\nG\\g.lnk\r\n%%\r\n" + extraScript);
        form = Create();
        ASSERT_TRUE(form->actStart.Enabled());
        view.plainMessages.clear();
    }
};

TEST_F(StartedFormTest, ChoosingADirectoryChecksTheMarkerFile) {
    StartWith("*GameTitle\r\nゲーム\r\n");
    disk.Write("other/readme.txt", "");
    view.browseAnswer = Host("other");
    form->actChangePathExecute();
    EXPECT_EQ(view.browseRequests.back().initialFolder, game + "\\");
    EXPECT_EQ(view.browseRequests.back().prompt,
              "\"ゲーム\"がインストールされているディレクトリを指定してください");
    EXPECT_EQ(test::Utf8(form->TargetDirText()), Host("other"));
    EXPECT_FALSE(form->actStart.Enabled());

    // The marker appears, but the same choice is no change of the text.
    disk.Write("other/Game.exe", "MZ");
    form->actChangePathExecute();
    EXPECT_FALSE(form->actStart.Enabled());
    view.browseAnswer = game;
    form->actChangePathExecute();
    EXPECT_TRUE(form->actStart.Enabled());
    view.browseAnswer = Host("other");
    form->actChangePathExecute();
    EXPECT_TRUE(form->actStart.Enabled());

    // Cancelling keeps everything.
    view.browseAnswer = "";
    form->actChangePathExecute();
    EXPECT_EQ(test::Utf8(form->TargetDirText()), Host("other"));
    EXPECT_TRUE(form->actStart.Enabled());
}

TEST_F(StartedFormTest, WithoutAMarkerAnyNonEmptyDirectoryEnablesStart) {
    StartWith("");
    form->FCheckTargetFilename.clear();
    form->SetTargetDirText(test::Wide("Z:\\nowhere"));
    EXPECT_TRUE(form->actStart.Enabled());
    form->SetTargetDirText(test::Wide(""));
    EXPECT_FALSE(form->actStart.Enabled());
    EXPECT_EQ(form->FGameTitle, "");
    form->actChangePathExecute();
    EXPECT_EQ(view.browseRequests.back().prompt,
              "\"\"がインストールされているディレクトリを指定してください");
}

TEST_F(StartedFormTest, StartWritesEachPayloadUnderItsLinesNumber) {
    StartWith("*PatchType\r\n1\r\n%OutFiles\r\n\ta.dat\r\n\r\n\tsub\\b.dat\r\n%%\r\n");
    disk.Write("game/sub/keep.txt", "");
    disk.Write("game/a.dat", "old content that is longer than the new one");
    Resource("BIN", "RESOURCE_FILE0", "payload zero");
    Resource("BIN", "RESOURCE_FILE2", std::string("payload\0two", 11));
    // While the message is up, Start and Cancel are as the step left them.
    bool startDuringMessage = true;
    view.onPlainMessage = [&] { startDuringMessage = form->actStart.Enabled(); };
    form->actStartExecute();
    EXPECT_EQ(view.plainMessages, std::vector<std::string>{"修正処理が正常に終了しました"});
    EXPECT_FALSE(startDuringMessage);
    EXPECT_EQ(disk.Read("game/a.dat"), "payload zero");
    EXPECT_EQ(disk.Read("game/sub/b.dat"), std::string("payload\0two", 11));
    EXPECT_FALSE(form->actStart.Enabled());
    EXPECT_TRUE(form->actCancel.Enabled());
    EXPECT_EQ(form->actCancel.Caption(), "終了(&X)");
    // A directory chosen without the trailing separator still gets the files.
    view.browseAnswer = game;
    form->actChangePathExecute();
    EXPECT_TRUE(form->actStart.Enabled());
    Resource("BIN", "RESOURCE_FILE0", "second run");
    form->actStartExecute();
    EXPECT_EQ(disk.Read("game/a.dat"), "second run");
}

// What would make a file fail is found before the first one is written:
// nothing is written, and the message names the file (and what holds it).
// A failure that cannot be foreseen (here a compressed payload that does
// not verify, in an installer without checksums) still stops the step
// after the files before it.
TEST_F(StartedFormTest, AForeseeableFailureWritesNothingAndNamesTheFile) {
    const std::string failed = "修正に失敗しました\n";
    const std::string damaged =
        failed + "インストーラーが壊れています。もう一度ダウンロードしてください";
    struct Case {
        const char* what;
        std::string third; // the third entry
        std::function<void(const std::string& folder)> spoil;
        std::string message;
        bool firstWritten;
    } cases[] = {
        {"a missing sub-folder", "missing\\c.dat", [](const std::string&) {},
         failed + "\"missing\\c.dat\"", false},
        {"read-only", "c.dat",
         [](const std::string& folder) { chmod((folder + "/c.dat").c_str(), 0444); },
         failed + "\"c.dat\"", false},
        {"held by the game", "c.dat",
         [](const std::string& folder) {
             substitute::Files().held[folder + "/c.dat"] = {"Game.exe"};
         },
         failed + "\"c.dat\"\n次のプログラムを終了してから、もう一度修正してください\nGame.exe",
         false},
        {"a folder of that name", "sub", [](const std::string&) {}, failed + "\"sub\"", false},
        {"a name outside the game folder", "..\\c.dat", [](const std::string&) {},
         failed + "\"..\\c.dat\"", false},
        {"a device name", "sub\\CON.dat", [](const std::string&) {}, failed + "\"sub\\CON.dat\"",
         false},
        {"its payload missing", "c.dat",
         [](const std::string&) {
             substitute::PackageResources().erase({"BIN", "RESOURCE_FILE2"});
         },
         failed + "\"c.dat\"", false},
        {"a spoiled record", "c.dat",
         [](const std::string&) {
             substitute::PackageResources()[{"PACKED", "RESOURCE_FILE2"}] = "BPK1";
         },
         damaged, false},
        {"a stream header that asks for too much", "c.dat",
         [](const std::string&) {
             substitute::PackageResources()[{"PACKED", "RESOURCE_FILE2"}] =
                 std::string("BPK1") + std::string(4, '\0') + std::string("\1", 1) +
                 std::string(23, '\0');
             substitute::PackageResources()[{"LZMA", "RESOURCE_SOLID"}] =
                 std::string("\x5D\0\0\0\x10\1", 6) + std::string(7, '\0') + "data";
         },
         damaged, false},
        {"not verified while written", "c.dat",
         [](const std::string&) {
             const auto packed = tools::PackBytes(std::string(4096, 'c'));
             std::string record = packed->record;
             record[24] = static_cast<char>(record[24] ^ 1); // the CRC-32
             substitute::PackageResources()[{"PACKED", "RESOURCE_FILE2"}] = record;
             substitute::PackageResources()[{"LZMA", "RESOURCE_SOLID"}] = packed->stream;
         },
         "修正に失敗しました", true},
    };
    for (const auto& c : cases) {
        StartWith("*PatchType\r\n1\r\n%OutFiles\r\na.dat\r\nb.dat\r\n" + c.third + "\r\n%%\r\n");
        substitute::Files() = {};
        disk.Write("game/sub/keep.txt", "");
        for (const char* name : {"a.dat", "b.dat", "c.dat"}) {
            disk.Write(std::string("game/") + name, "old");
        }
        for (const char* name : {"RESOURCE_FILE0", "RESOURCE_FILE1", "RESOURCE_FILE2"}) {
            Resource("BIN", name, name);
        }
        c.spoil(Host("game"));
        form->actStartExecute();
        EXPECT_EQ(view.plainMessages, std::vector<std::string>{c.message}) << c.what;
        EXPECT_EQ(disk.Read("game/a.dat"), c.firstWritten ? "RESOURCE_FILE0" : "old") << c.what;
        EXPECT_EQ(disk.Read("game/c.dat"), "old") << c.what;
        EXPECT_EQ(form->actCancel.Caption(), kCancelCaption) << c.what;
        EXPECT_TRUE(form->actCancel.Enabled()) << c.what;
        chmod((disk.Path() / "game/c.dat").c_str(), 0644);
        substitute::PackageResources().erase({"PACKED", "RESOURCE_FILE2"});
        substitute::PackageResources().erase({"LZMA", "RESOURCE_SOLID"});
    }
}

// A link inside the game folder is passed only where a standard user
// cannot have made it, or where it stays inside; a file with another name
// outside is replaced, never written through.
TEST_F(StartedFormTest, LinksAStandardUserCouldHaveMadeDoNotSteerTheWrites) {
    struct Case {
        const char* what;
        const char* target; // of game/sub, below the test's folder
        std::optional<LinkMaker> maker;
        bool written;
    } cases[] = {
        {"to a folder outside, made by an administrator", "outside", LinkMaker::Administrator,
         true},
        {"to a folder outside, made by a user", "outside", LinkMaker::Other, false},
        {"to a folder outside, maker unknown", "outside", std::nullopt, false},
        {"to a folder inside, maker unknown", "game/data", std::nullopt, true},
        {"to a folder inside, made by a user", "game/data", LinkMaker::Other, false},
    };
    for (const auto& c : cases) {
        StartWith("*PatchType\r\n1\r\n%OutFiles\r\nsub\\a.dat\r\n%%\r\n");
        substitute::Files() = {};
        std::filesystem::remove_all(disk.Path() / "game/sub");
        disk.Write(std::string(c.target) + "/a.dat", "old");
        std::filesystem::create_directory_symlink(disk.Path() / c.target, disk.Path() / "game/sub");
        if (c.maker) {
            substitute::Files().linkMakers[Host("game") + "/sub"] = *c.maker;
        }
        Resource("BIN", "RESOURCE_FILE0", "new");
        form->actStartExecute();
        EXPECT_EQ(disk.Read(std::string(c.target) + "/a.dat"), c.written ? "new" : "old") << c.what;
        EXPECT_EQ(view.plainMessages.back(),
                  c.written ? "修正処理が正常に終了しました" : "修正に失敗しました\n\"sub\\a.dat\"")
            << c.what;
        std::filesystem::remove(disk.Path() / "game/sub");
    }
    // A hard link and a symbolic link to files outside: replaced by name.
    StartWith("*PatchType\r\n1\r\n%OutFiles\r\nhard.dat\r\nsoft.dat\r\n%%\r\n");
    disk.Write("outside/file.dat", "old");
    std::filesystem::create_hard_link(disk.Path() / "outside/file.dat",
                                      disk.Path() / "game/hard.dat");
    std::filesystem::create_symlink(disk.Path() / "outside/file.dat",
                                    disk.Path() / "game/soft.dat");
    Resource("BIN", "RESOURCE_FILE0", "new hard");
    Resource("BIN", "RESOURCE_FILE1", "new soft");
    form->actStartExecute();
    EXPECT_EQ(disk.Read("outside/file.dat"), "old");
    EXPECT_EQ(disk.Read("game/hard.dat"), "new hard");
    EXPECT_EQ(disk.Read("game/soft.dat"), "new soft");
    EXPECT_FALSE(std::filesystem::is_symlink(disk.Path() / "game/soft.dat"));
}

// The room each drive needs before the first write: the highest its use
// reaches while the files are written in order, each whole beside the file
// it replaces, counted in the drive's clusters.
TEST(DiskSpaceTest, EachDriveNeedsTheHighestUseItsWritesReach) {
    using Needed = std::vector<std::pair<std::uint64_t, std::uint64_t>>;
    const struct Case {
        const char* what;
        std::vector<PlannedWrite> writes; // volume, cluster, new size, old size
        Needed needed;
    } cases[] = {
        {"a new small file takes a cluster", {{1, 4096, 10, 0}}, {{1, 4096}}},
        {"a replaced file is whole beside the old one", {{1, 4096, 8192, 8192}}, {{1, 8192}}},
        {"room a file frees serves the next",
         {{1, 4096, 4096, 8192}, {1, 4096, 8192, 0}},
         {{1, 4096}}},
        {"what one file takes stays taken",
         {{1, 4096, 8192, 4096}, {1, 4096, 8192, 4096}},
         {{1, 12288}}},
        {"each drive in its own clusters",
         {{1, 512, 1000, 0}, {2, 4096, 1000, 0}},
         {{1, 1024}, {2, 4096}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SpaceNeeded(c.writes), c.needed) << c.what;
    }
}

TEST_F(StartedFormTest, TypeZeroAndOtherTypesWriteNothingAndSayNothing) {
    for (const char* type : {"0", "2", "-1"}) {
        StartWith(std::string("*PatchType\r\n") + type + "\r\n%OutFiles\r\na.dat\r\n%%\r\n");
        Resource("BIN", "RESOURCE_FILE0", "A");
        form->actStartExecute();
        EXPECT_TRUE(view.plainMessages.empty()) << type;
        EXPECT_FALSE(std::filesystem::exists(disk.Path() / "game/a.dat")) << type;
        EXPECT_FALSE(form->actStart.Enabled()) << type;
        EXPECT_TRUE(form->actCancel.Enabled()) << type;
        EXPECT_EQ(form->actCancel.Caption(), kCancelCaption) << type;
    }
}

TEST_F(FormMainTest, StartWithoutAnOutputListReportsAFailure) {
    Script("*PatchType\r\n1\r\n%LinkPath\r\nX\\x.lnk\r\n%%\r\n%OutFiles\r\n%%\r\n");
    const auto form = Create(); // no shortcut: the list was never read
    view.plainMessages.clear();
    view.browseAnswer = GameDir();
    form->actChangePathExecute();
    ASSERT_TRUE(form->actStart.Enabled());
    form->actStartExecute();
    EXPECT_EQ(view.plainMessages, std::vector<std::string>{"修正に失敗しました"});
}

TEST_F(StartedFormTest, AnEmptyOutputListAfterStartUpSucceedsWithoutWriting) {
    StartWith("*PatchType\r\n1\r\n");
    EXPECT_NE(form->FOutFiles, nullptr);
    form->actStartExecute();
    EXPECT_EQ(view.plainMessages, std::vector<std::string>{"修正処理が正常に終了しました"});
}

} // namespace
} // namespace brisel
