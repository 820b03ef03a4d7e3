// The whole job, as a player does it: start the installer, check or choose
// the directory, press Start, read the outcome.
#include "E2eSupport.h"

#include <functional>

#include <algorithm>

namespace brisel::e2e {
namespace {

const wchar_t* const kSuccess = L"修正処理が正常に終了しました";
const wchar_t* const kFailure = L"修正に失敗しました";
const wchar_t* const kDamaged =
    L"修正に失敗しました\nインストーラーが壊れています。もう一度ダウンロードしてください";
// How long the folder browser may take to fill its tree (seconds under an
// emulated 32-bit Wine).
const DWORD kBrowserFills = 60000;
const wchar_t* const kNotFound = L"プログラムメニュー内に対象ソフトが見つかりません\n"
                                 L"対象ソフトがインストールされていない可能性があります";

// A game folder whose path has exactly length characters: as deep as a
// folder can be for its game's shortcut target to fit the path limit, and
// too deep for a temporary name of 20 characters beside a payload file.
std::wstring DeepGameDir(std::size_t length = 245) {
    std::wstring dir = L"C:\\Games\\BriselDeep";
    while (dir.size() < length) {
        std::size_t component = std::min<std::size_t>(100, length - dir.size() - 1);
        if (length - dir.size() - 1 - component == 1) {
            --component;
        }
        dir += L"\\" + std::wstring(component, L'd');
    }
    return dir;
}

std::string Payload(const std::string& package, const std::wstring& file) {
    return ReadWholeFile(SourcePath("packages/" + package + "/files/") + file);
}

// A payload's previous version, from the package's folder of old files.
std::string OldPayload(const std::string& package, const std::wstring& file) {
    return ReadWholeFile(SourcePath("packages-old/" + package + "/") + file);
}

class RunTest : public E2eTest {
protected:
    const std::wstring game = kGameDir + L"\\";

    // Presses Start and returns the texts of the messages it shows.
    static std::vector<std::wstring> PressStart(const Started& run) {
        Click(StartButton(run.window));
        std::vector<std::wstring> messages;
        HWND box = run.process->WaitForDialog(15000);
        if (box != nullptr) {
            messages.push_back(MessageBoxText(box));
            ConfirmMessageBox(box);
        }
        // Exactly one message: nothing follows the first.
        Sleep(500);
        for (HWND more : run.process->Dialogs()) {
            messages.push_back(MessageBoxText(more));
            ConfirmMessageBox(more);
        }
        return messages;
    }

    std::vector<std::wstring> LeftoverTemporaryFiles(const std::wstring& folder) {
        std::vector<std::wstring> names = FolderEntries(folder, L"*.tmp");
        for (const auto& name : FolderEntries(folder, L"~*")) {
            names.push_back(name);
        }
        return names;
    }

    // A drive of 1 MiB (the fixture e2e_small_drive mounts it).
    static std::wstring SmallDrive() { return BuildPath("small-drive"); }

    // Fills the drive of path with the file at path, to the last byte.
    static void FillUp(const std::wstring& path) {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        const std::string block(4096, 'f');
        DWORD written = 0;
        while (WriteFile(file, block.data(), static_cast<DWORD>(block.size()), &written, nullptr) &&
               written == block.size()) {
        }
        CloseHandle(file);
    }

    void ExpectClosesWithCancel(const Started& run) {
        Click(CancelButton(run.window));
        EXPECT_EQ(run.process->WaitForExit(10000), std::optional<DWORD>(0));
    }
};

TEST_F(RunTest, ATypicalRunPatchesTheGameAndTurnsCancelIntoExit) {
    InstallGame();
    machine.MakeFolder(kGameDir + L"\\sub");
    machine.WriteFile(kGameDir + L"\\a.dat", "old a.dat, longer than the new one");
    Started run = Start("typical");
    ASSERT_NE(run.window, nullptr);
    // The first "%LinkPath" entry has no shortcut; the second gives the directory.
    EXPECT_TRUE(run.startupMessages.empty());
    EXPECT_EQ(WindowText(DirectoryField(run.window)), game);
    EXPECT_TRUE(IsWindowEnabled(StartButton(run.window)));

    for (const wchar_t* name : {L"a.dat", L"b.dat", L"sub\\c.dat", L"d.dat"}) {
        machine.WriteFile(kGameDir + L"\\" + name, ReadWholeFile(kGameDir + L"\\" + name));
    }
    EXPECT_EQ(PressStart(run), std::vector<std::wstring>{kSuccess});
    EXPECT_EQ(ReadWholeFile(kGameDir + L"\\a.dat"), Payload("typical", L"a.dat"));
    EXPECT_EQ(ReadWholeFile(kGameDir + L"\\b.dat"), Payload("typical", L"b.dat"));
    EXPECT_EQ(ReadWholeFile(kGameDir + L"\\sub\\c.dat"), Payload("typical", L"sub\\c.dat"));
    EXPECT_EQ(ReadWholeFile(kGameDir + L"\\d.dat"), Payload("typical", L"d.dat"));
    EXPECT_TRUE(LeftoverTemporaryFiles(kGameDir).empty());
    EXPECT_EQ(WindowText(CancelButton(run.window)), L"終了(&X)");
    EXPECT_FALSE(IsWindowEnabled(StartButton(run.window)));
    EXPECT_TRUE(IsWindowEnabled(CancelButton(run.window)));
    Screenshot(run.window, "main-window-after-patch");
    PressKey(run.window, 'X', true);
    EXPECT_EQ(run.process->WaitForExit(10000), std::optional<DWORD>(0));
}

TEST_F(RunTest, FindsAShortcutThatIsOnlyInTheAllUsersPrograms) {
    InstallGame(true);
    Started run = Start("typical");
    ASSERT_NE(run.window, nullptr);
    EXPECT_TRUE(run.startupMessages.empty());
    EXPECT_EQ(WindowText(DirectoryField(run.window)), game);
    EXPECT_TRUE(IsWindowEnabled(StartButton(run.window)));
    ExpectClosesWithCancel(run);
}

TEST_F(RunTest, StartUpOutcomesWithoutAUsableScriptOrShortcut) {
    InstallGame();
    struct Case {
        const char* package;
        bool gameInstalled;
        std::wstring message;
        std::wstring directory;
        bool start;
    } cases[] = {
        {"no-linkpath", true, L"初期化に失敗しました\n\"LinkPath\"セクションが見つかりません", L"",
         false},
        {"no-outfiles", true, L"初期化に失敗しました\n\"OutFiles\"セクションが見つかりません", game,
         true},
    };
    for (const auto& c : cases) {
        Started run = Start(c.package);
        ASSERT_NE(run.window, nullptr) << c.package;
        EXPECT_EQ(run.startupMessages, std::vector<std::wstring>{c.message}) << c.package;
        EXPECT_EQ(WindowText(DirectoryField(run.window)), c.directory) << c.package;
        EXPECT_EQ(IsWindowEnabled(StartButton(run.window)) != 0, c.start) << c.package;
        ExpectClosesWithCancel(run);
    }
}

TEST_F(RunTest, WithoutTheGameStartUpSaysSoAndStartStaysDisabled) {
    Started run = Start("typical");
    ASSERT_NE(run.window, nullptr);
    EXPECT_EQ(run.startupMessages, std::vector<std::wstring>{kNotFound});
    EXPECT_EQ(WindowText(DirectoryField(run.window)), L"");
    EXPECT_FALSE(IsWindowEnabled(StartButton(run.window)));
    // With no directory to start from, the browser opens with the desktop's
    // own choice selected, a folder to start from.
    HWND link = ChangeLink(run.window);
    PostMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    HWND browser = run.process->WaitForDialog(15000);
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return BrowserHasASelection(browser); }, kBrowserFills));
    BrowserPress(browser, IDCANCEL);
    EXPECT_TRUE(WaitUntil([&] { return run.process->Dialogs().empty(); }, 10000));
    ExpectClosesWithCancel(run);
}

TEST_F(RunTest, TheFolderBrowserChoosesTheDirectoryAndStartFollowsTheMarker) {
    InstallGame();
    const std::wstring other = L"C:\\Games\\Other";
    machine.WriteFile(other + L"\\readme.txt", "no game here");
    Started run = Start("typical");
    ASSERT_NE(run.window, nullptr);
    // One click, then a long wait: under an emulated 32-bit Wine the first
    // browser of a prefix can take many seconds to show, and a second click
    // would open a second browser from inside the first.
    const auto openBrowser = [&] {
        HWND link = ChangeLink(run.window);
        PostMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        PostMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        HWND browser = run.process->WaitForDialog(kBrowserFills);
        return browser != nullptr && WaitForBrowserTree(browser, kBrowserFills) ? browser : nullptr;
    };

    // The browser is driven as a player drives it, by item handles and
    // keys, so that it runs under an emulated 32-bit Wine too, where another
    // process's memory (and so an item's text) cannot be read.
    HWND browser = openBrowser();
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(BrowserPrompt(browser),
              L"\"ブリセル試験\"がインストールされているディレクトリを指定してください");
    Screenshot(browser, "folder-browser");
    // OK at once takes the preselected folder: the game's, now without "\".
    BrowserPress(browser, IDOK);
    EXPECT_TRUE(
        WaitUntil([&] { return WindowText(DirectoryField(run.window)) == kGameDir; }, 10000));
    EXPECT_TRUE(IsWindowEnabled(StartButton(run.window)));

    browser = openBrowser();
    ASSERT_NE(browser, nullptr);
    BrowserTypeName(browser, L"Other");
    BrowserPress(browser, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return WindowText(DirectoryField(run.window)) == other; }, 10000));
    EXPECT_FALSE(IsWindowEnabled(StartButton(run.window)));

    browser = openBrowser();
    ASSERT_NE(browser, nullptr);
    BrowserPress(browser, IDCANCEL);
    EXPECT_TRUE(WaitUntil([&] { return run.process->Dialogs().empty(); }, 10000));
    EXPECT_EQ(WindowText(DirectoryField(run.window)), other);
    EXPECT_FALSE(IsWindowEnabled(StartButton(run.window)));

    browser = openBrowser();
    ASSERT_NE(browser, nullptr);
    BrowserTypeName(browser, L"BriselTest");
    BrowserPress(browser, IDOK);
    EXPECT_TRUE(
        WaitUntil([&] { return WindowText(DirectoryField(run.window)) == kGameDir; }, 10000));
    EXPECT_TRUE(IsWindowEnabled(StartButton(run.window)));
    ExpectClosesWithCancel(run);
}

// What would make a later file fail is found before the first one is
// written: every file stays as it was, and the message says which file (or
// why). Once the cause is gone, the installer started again patches all.
TEST_F(RunTest, AForeseeableFailureWritesNothing) {
    HANDLE held = INVALID_HANDLE_VALUE;
    const std::wstring filler = SmallDrive() + L"\\filler.bin";
    struct Case {
        const char* what;
        std::wstring game;
        bool sub; // the game has its folder "sub"
        std::function<void(const std::wstring& folder)> spoil;
        std::wstring message;
    } cases[] = {
        {"the last file held open", kGameDir, true,
         [&](const std::wstring& folder) {
             held = CreateFileW((folder + L"\\d.dat").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
         },
         std::wstring(kFailure) + L"\n\"d.dat\""},
        {"the last file read-only", kGameDir, true,
         [](const std::wstring& folder) {
             SetFileAttributesW((folder + L"\\d.dat").c_str(), FILE_ATTRIBUTE_READONLY);
         },
         std::wstring(kFailure) + L"\n\"d.dat\""},
        {"a folder missing", kGameDir + L"\\NoSub", false, [](const std::wstring&) {},
         std::wstring(kFailure) + L"\n\"sub\\c.dat\""},
        {"a full drive", SmallDrive() + L"\\Game", true,
         [&](const std::wstring&) { FillUp(filler); },
         std::wstring(kFailure) + L"\nディスクの空き容量が足りません"},
        {"a folder that leads out of the game folder (the fixture's link)", BuildPath("links/game"),
         true, [](const std::wstring&) {}, std::wstring(kFailure) + L"\n\"sub\\c.dat\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        InstallGame(false, c.game);
        if (c.sub) {
            machine.WriteFile(c.game + L"\\sub\\c.dat", "old");
        }
        for (const wchar_t* name : {L"a.dat", L"b.dat", L"d.dat"}) {
            machine.WriteFile(c.game + L"\\" + name, "old");
        }
        c.spoil(c.game);
        Started run = Start("typical");
        ASSERT_NE(run.window, nullptr);
        EXPECT_EQ(PressStart(run), std::vector<std::wstring>{c.message});
        for (const wchar_t* name : {L"a.dat", L"b.dat", L"sub\\c.dat", L"d.dat"}) {
            const bool absent = !c.sub && name[0] == L's';
            EXPECT_EQ(ReadWholeFile(c.game + L"\\" + name), absent ? "" : "old") << name;
        }
        EXPECT_TRUE(LeftoverTemporaryFiles(c.game).empty());
        EXPECT_EQ(WindowText(CancelButton(run.window)), L"中止(&C)");
        ExpectClosesWithCancel(run);
        SetFileAttributesW((c.game + L"\\d.dat").c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(filler.c_str());
        if (held == INVALID_HANDLE_VALUE) {
            continue;
        }
        // The held file released: started again, the installer patches all.
        CloseHandle(held);
        held = INVALID_HANDLE_VALUE;
        Started again = Start("typical");
        ASSERT_NE(again.window, nullptr);
        EXPECT_EQ(PressStart(again), std::vector<std::wstring>{kSuccess});
        for (const wchar_t* name : {L"a.dat", L"b.dat", L"sub\\c.dat", L"d.dat"}) {
            EXPECT_EQ(ReadWholeFile(c.game + L"\\" + name), Payload("typical", name)) << name;
        }
        ExpectClosesWithCancel(again);
    }
}

// A game file that is another name of a file outside the game folder (a
// hard link) is replaced by its name; the file outside stays as it was.
TEST_F(RunTest, AHardLinkToAFileOutsideIsReplacedNotWrittenThrough) {
    const std::wstring outside = L"C:\\Games\\outside.dat";
    InstallGame();
    machine.WriteFile(outside, "outside");
    for (const wchar_t* name : {L"a.dat", L"b.dat", L"sub\\c.dat", L"d.dat"}) {
        machine.WriteFile(kGameDir + L"\\" + name, "old"); // removed with the machine
    }
    DeleteFileW((kGameDir + L"\\d.dat").c_str());
    ASSERT_TRUE(CreateHardLinkW((kGameDir + L"\\d.dat").c_str(), outside.c_str(), nullptr));
    Started run = Start("typical");
    ASSERT_NE(run.window, nullptr);
    EXPECT_EQ(PressStart(run), std::vector<std::wstring>{kSuccess});
    EXPECT_EQ(ReadWholeFile(kGameDir + L"\\d.dat"), Payload("typical", L"d.dat"));
    EXPECT_EQ(ReadWholeFile(outside), "outside");
    ExpectClosesWithCancel(run);
}

// Killed at any moment of a patch of several files (while it checks, after
// the first file, in the middle, while it writes the last), the installer
// leaves every file its old or its new version and no temporary file; run
// again, it patches all, and the folder holds only the game's files.
TEST_F(RunTest, AKilledPatchLeavesEachFileOldOrNewAndNothingElse) {
    const std::wstring folder = kGameDir + L"\\Killed";
    std::vector<std::wstring> names;
    for (int i = 1; i <= 6; ++i) {
        names.push_back(L"part" + std::to_wstring(i) + L".dat");
    }
    const auto fresh = [&](const std::wstring& name) {
        return ReadWholeFile(BuildPath("packages/many/files/") + name);
    };
    const auto newFiles = [&] {
        return std::count_if(names.begin(), names.end(), [&](const std::wstring& name) {
            WIN32_FILE_ATTRIBUTE_DATA data{};
            return GetFileAttributesExW((folder + L"\\" + name).c_str(), GetFileExInfoStandard,
                                        &data) &&
                   data.nFileSizeLow > 3;
        });
    };
    InstallGame(false, folder);
    std::size_t left = 0;
    for (const long killAfter : {0L, 1L, 3L, 5L}) {
        SCOPED_TRACE(killAfter);
        for (const std::wstring& name : names) {
            machine.WriteFile(folder + L"\\" + name, "old");
        }
        Started run = Start("many-z");
        ASSERT_NE(run.window, nullptr);
        Click(StartButton(run.window));
        EXPECT_TRUE(WaitUntil([&] { return newFiles() >= killAfter; }, 120000));
        run.process->Kill();
        for (const std::wstring& name : names) {
            const std::string content = ReadWholeFile(folder + L"\\" + name);
            EXPECT_TRUE(content == "old" || content == fresh(name)) << name.size();
        }
        // Killed between making a temporary file and marking it for
        // deletion, or between clearing the mark and the rename, the write
        // in progress leaves its file: a later run's step removes it (one
        // left by the kill before was seen still there once, under the
        // emulated 32-bit Wine), and the last run must leave none.
        const std::size_t now = LeftoverTemporaryFiles(folder).size();
        EXPECT_LE(now, left + 1);
        left = now;
    }
    Started run = Start("many-z");
    ASSERT_NE(run.window, nullptr);
    EXPECT_EQ(PressStart(run), std::vector<std::wstring>{kSuccess});
    for (const std::wstring& name : names) {
        EXPECT_TRUE(ReadWholeFile(folder + L"\\" + name) == fresh(name));
    }
    names.push_back(L"Game.exe");
    std::sort(names.begin(), names.end());
    std::vector<std::wstring> present = FolderEntries(folder, L"*");
    std::sort(present.begin(), present.end());
    EXPECT_EQ(present, names);
    ExpectClosesWithCancel(run);
}

TEST_F(RunTest, AGameFolderAsDeepAsThePathLimitAllowsIsPatched) {
    const std::wstring dir = DeepGameDir();
    InstallGame(false, dir);
    machine.MakeFolder(dir + L"\\sub");
    machine.WriteFile(dir + L"\\a.dat", "old a.dat, longer than the new one");
    for (const wchar_t* name : {L"b.dat", L"sub\\c.dat", L"d.dat"}) {
        machine.WriteFile(dir + L"\\" + name, ""); // removed again afterwards
    }
    Started run = Start("typical");
    ASSERT_NE(run.window, nullptr);
    EXPECT_EQ(WindowText(DirectoryField(run.window)), dir + L"\\");
    ASSERT_TRUE(IsWindowEnabled(StartButton(run.window)));
    EXPECT_EQ(PressStart(run), std::vector<std::wstring>{kSuccess});
    for (const wchar_t* name : {L"a.dat", L"b.dat", L"sub\\c.dat", L"d.dat"}) {
        EXPECT_EQ(ReadWholeFile(dir + L"\\" + name), Payload("typical", name));
    }
    EXPECT_TRUE(LeftoverTemporaryFiles(dir).empty());
    EXPECT_TRUE(LeftoverTemporaryFiles(dir + L"\\sub").empty());
    EXPECT_EQ(WindowText(CancelButton(run.window)), L"終了(&X)");
    ExpectClosesWithCancel(run);
}

TEST_F(RunTest, APayloadPathBeyondTheClassicLimitIsWritten) {
    const std::wstring dir = DeepGameDir();
    InstallGame(false, dir);
    machine.WriteFile(dir + L"\\a.dat", "old a.dat");
    Started run = Start("long-name");
    ASSERT_NE(run.window, nullptr);
    ASSERT_TRUE(IsWindowEnabled(StartButton(run.window)));
    // The second name takes its path past 260 characters.
    EXPECT_EQ(PressStart(run), std::vector<std::wstring>{kSuccess});
    const wchar_t* const longName = L"a-payload-name-that-takes-the-path-beyond-the-limit.dat";
    EXPECT_EQ(ReadWholeFile(dir + L"\\a.dat"), Payload("long-name", L"a.dat"));
    EXPECT_EQ(ReadWholeFile(dir + L"\\" + longName), Payload("long-name", longName));
    EXPECT_TRUE(LeftoverTemporaryFiles(dir).empty());
    ExpectClosesWithCancel(run);
}

TEST_F(RunTest, TypeZeroWritesNothingAndSaysNothing) {
    InstallGame();
    Started run = Start("type0");
    ASSERT_NE(run.window, nullptr);
    ASSERT_TRUE(IsWindowEnabled(StartButton(run.window)));
    // Start has the focus: Enter presses it.
    PressKey(run.window, VK_RETURN);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowEnabled(StartButton(run.window)); }, 10000));
    Sleep(500);
    EXPECT_TRUE(run.process->Dialogs().empty());
    EXPECT_FALSE(FileExists(kGameDir + L"\\a.dat"));
    EXPECT_EQ(WindowText(CancelButton(run.window)), L"中止(&C)");
    ExpectClosesWithCancel(run);
}

// e2e-signed.exe is e2e-typical.exe with an Authenticode signature, which
// the loader and the resource functions must read past.
TEST_F(RunTest, ASignedInstallerPatchesTheGameLikeTheUnsignedOne) {
    const wchar_t* const names[] = {L"a.dat", L"b.dat", L"sub\\c.dat", L"d.dat"};
    InstallGame();
    for (const wchar_t* name : names) {
        machine.WriteFile(kGameDir + L"\\" + name, "old"); // removed with the machine
    }
    Started run = Start("signed");
    ASSERT_NE(run.window, nullptr);
    EXPECT_TRUE(run.startupMessages.empty());
    EXPECT_EQ(WindowText(DirectoryField(run.window)), game);
    EXPECT_EQ(PressStart(run), std::vector<std::wstring>{kSuccess});
    for (const wchar_t* name : names) {
        EXPECT_EQ(ReadWholeFile(kGameDir + L"\\" + name), Payload("typical", name)) << name;
    }
    ExpectClosesWithCancel(run);
}

// Run under each code page the tests know (932, and 1252 and 65001 through
// the locale of the run): the Start-menu folder, the shortcut, the game
// folder and the payload name are Japanese (with trail bytes 0x5C), and the
// game folder may have characters that code page 932 lacks.
TEST_F(RunTest, GameFoldersOfAnyNamePatchWhateverTheCodePage) {
    struct Case {
        const char* what;
        std::wstring dir;
    } cases[] = {
        {"Japanese names", L"C:\\ゲーム\\表示ソフト"},
        {"a folder named in Korean, a symbol and an emoji", L"C:\\Games\\게임 ♡ \U0001F3AE"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        InstallGame(false, c.dir, L"表示ソフト\\表示ソフト.lnk");
        machine.WriteFile(c.dir + L"\\ソース.dat", "old");
        Started run = Start("sjis");
        ASSERT_NE(run.window, nullptr);
        EXPECT_TRUE(run.startupMessages.empty());
        EXPECT_EQ(WindowText(DirectoryField(run.window)), c.dir + L"\\");
        ASSERT_TRUE(IsWindowEnabled(StartButton(run.window)));
        EXPECT_EQ(PressStart(run), std::vector<std::wstring>{kSuccess});
        EXPECT_EQ(ReadWholeFile(c.dir + L"\\ソース.dat"), Payload("sjis", L"ソース.dat"));
        EXPECT_TRUE(LeftoverTemporaryFiles(c.dir).empty());
        ExpectClosesWithCancel(run);
    }
}

// Compressed payloads: the good installer patches; one whose stream a
// broken download spoiled (a byte changed in its middle or near its end,
// the end cut off) is found damaged before anything is written, says so
// and leaves no temporary file. The payload
// that does not shrink is carried raw and comes after the compressed one.
TEST_F(RunTest, CompressedPayloadsAreCheckedBeforeTheyReplaceAnything) {
    struct Case {
        const char* installer;
        bool patched;
    } cases[] = {{"packed-z", true},
                 {"packed-z-flip", false},
                 {"packed-z-flipend", false},
                 {"packed-z-cut", false}};
    InstallGame();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.installer);
        machine.WriteFile(game + L"readme.txt", "old readme");
        machine.WriteFile(game + L"noise.bin", "old noise");
        Started run = Start(c.installer);
        ASSERT_NE(run.window, nullptr);
        ASSERT_TRUE(IsWindowEnabled(StartButton(run.window)));
        EXPECT_EQ(PressStart(run), std::vector<std::wstring>{c.patched ? kSuccess : kDamaged});
        EXPECT_EQ(ReadWholeFile(game + L"readme.txt"),
                  c.patched ? Payload("packed", L"readme.txt") : "old readme");
        EXPECT_EQ(ReadWholeFile(game + L"noise.bin"),
                  c.patched ? Payload("packed", L"noise.bin") : "old noise");
        EXPECT_TRUE(LeftoverTemporaryFiles(kGameDir).empty());
        ExpectClosesWithCancel(run);
    }
}

// A patch step of seconds: the window keeps answering (within a second,
// all through the step) and shows how far it has got; once the step ends
// the bar is gone.
TEST_F(RunTest, ALongPatchStepShowsItsProgressAndKeepsAnswering) {
    InstallGame();
    Started run = Start("large-z");
    ASSERT_NE(run.window, nullptr);
    ASSERT_TRUE(IsWindowEnabled(StartButton(run.window)));
    const RECT bar = {8, 216, 592, 232};
    const auto barShown = [&] {
        const Picture picture = Capture(run.window, true);
        return picture.At(bar.left, bar.top) == Rgb(GetSysColor(COLOR_WINDOWFRAME)) &&
               picture.At(bar.left + 1, bar.top + 8) == Rgb(GetSysColor(COLOR_HIGHLIGHT));
    };
    EXPECT_FALSE(barShown());
    Click(StartButton(run.window));
    const DWORD started = GetTickCount();
    DWORD slowest = 0;
    bool shown = false;
    HWND box = nullptr;
    while (box == nullptr && GetTickCount() - started < 120000) {
        const DWORD before = GetTickCount();
        DWORD_PTR result = 0;
        EXPECT_NE(SendMessageTimeoutW(run.window, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result), 0);
        slowest = std::max<DWORD>(slowest, GetTickCount() - before);
        if (!shown && barShown()) {
            shown = true;
            Screenshot(run.window, "long-patch-step");
        }
        const std::vector<HWND> dialogs = run.process->Dialogs();
        box = dialogs.empty() ? nullptr : dialogs.front();
        Sleep(100);
    }
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), kSuccess);
    EXPECT_TRUE(shown);
    EXPECT_LT(slowest, 1000u);
    ConfirmMessageBox(box);
    EXPECT_TRUE(WaitUntil([&] { return !barShown(); }, 5000));
    EXPECT_EQ(ReadWholeFile(game + L"large.dat").size(), std::size_t{256} << 20);
    EXPECT_TRUE(LeftoverTemporaryFiles(kGameDir).empty());
    ExpectClosesWithCancel(run);
}

// Delta payloads, checked before anything is written: the previous version
// is patched; the new version is left alone and the step succeeds; a file
// of neither version (here the second, after a first that matches) stops
// the step with a message naming it, and no file changes; a spoiled delta
// leaves the old file; with the whole file carried too, a file of neither
// version is written whole.
TEST_F(RunTest, DeltasPatchOnlyTheVersionTheyWereMadeFrom) {
    const std::string oldData1 = OldPayload("delta", L"data1.bin");
    const std::string oldData2 = OldPayload("delta", L"data2.bin");
    const std::string newData1 = Payload("delta", L"data1.bin");
    const std::string newData2 = Payload("delta", L"data2.bin");
    const std::wstring wrongVersion =
        L"修正対象のファイルのバージョンが異なるため修正できません\n\"data2.bin\"";
    struct Case {
        const char* what;
        const char* installer;
        std::string data1, data2;   // in the game folder before Start
        std::wstring message;       // after Start
        std::string after1, after2; // in the game folder afterwards
    } cases[] = {
        {"previous versions", "delta", oldData1, oldData2, kSuccess, newData1, newData2},
        {"already the new versions", "delta", newData1, newData2, kSuccess, newData1, newData2},
        {"the second of neither version", "delta", oldData1, "other", wrongVersion, oldData1,
         "other"},
        {"a spoiled delta", "delta-flipfirst", oldData1, oldData2, kDamaged, oldData1, oldData2},
        {"neither version, whole files carried", "delta-whole", "other", oldData2, kSuccess,
         newData1, newData2},
        {"previous/ in the package folder", "delta-previous", oldData1, oldData2, kSuccess,
         newData1, newData2},
    };
    InstallGame();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        machine.WriteFile(game + L"data1.bin", c.data1);
        machine.WriteFile(game + L"data2.bin", c.data2);
        Started run = Start(c.installer);
        ASSERT_NE(run.window, nullptr);
        ASSERT_TRUE(IsWindowEnabled(StartButton(run.window)));
        EXPECT_EQ(PressStart(run), std::vector<std::wstring>{c.message});
        EXPECT_TRUE(ReadWholeFile(game + L"data1.bin") == c.after1);
        EXPECT_TRUE(ReadWholeFile(game + L"data2.bin") == c.after2);
        EXPECT_TRUE(LeftoverTemporaryFiles(kGameDir).empty());
        ExpectClosesWithCancel(run);
    }
}

} // namespace
} // namespace brisel::e2e
