// The main window as a person sees it, read from outside the process.
#include "E2eSupport.h"

namespace brisel::e2e {
namespace {

using WindowTest = E2eTest;

struct ExpectedControl {
    int left, top, width, height;
    const wchar_t* windowClass;
    const wchar_t* text; // null: not checked here
};

// How many pixels of the rectangle have the colour.
int CountColour(const Picture& picture, const RECT& rect, std::uint32_t colour) {
    int count = 0;
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            count += picture.At(x, y) == colour ? 1 : 0;
        }
    }
    return count;
}

// The pixels of rows [0, rows) of a package's bitmap (bottom-up, 4 or 24
// bits a pixel), 0xRRGGBB, as the window should show them.
std::vector<std::uint32_t> BitmapRows(const std::string& package, int rows) {
    const std::string file = ReadWholeFile(SourcePath("packages/" + package + "/background.bmp"));
    const auto at = [&](std::size_t offset, int bytes) {
        std::uint32_t value = 0;
        for (int i = bytes - 1; i >= 0; --i) {
            value = value << 8 | static_cast<unsigned char>(file.at(offset + i));
        }
        return value;
    };
    const int width = static_cast<int>(at(18, 4)), height = static_cast<int>(at(22, 4));
    const int bits = static_cast<int>(at(28, 2));
    const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < rows; ++y) {
        const std::size_t row = at(10, 4) + stride * static_cast<std::size_t>(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const std::size_t index = bits == 4 ? file.at(row + x / 2) >> (x % 2 ? 0 : 4) & 15 : 0;
            pixels.push_back(bits == 4 ? at(14 + at(14, 4) + 4 * index, 3)
                                       : at(row + 3 * static_cast<std::size_t>(x), 3));
        }
    }
    return pixels;
}

void ExpectControls(HWND window, const std::wstring& directory, bool startEnabled) {
    const ExpectedControl controls[] = {
        {8, 240, 105, 12, L"Static", L"修正対象ディレクトリ"},
        {8, 280, 291, 12, L"Static", L"↑このパスが自動検索されましたが、間違っている場合は"},
        {304, 280, 20, 12, L"Static", L"ここ"},
        {328, 280, 124, 12, L"Static", L"を押して変更してください"},
        {8, 256, 473, 20, L"Edit", nullptr},
        {488, 240, 107, 25, L"Button", L"修正開始(&S)"},
        {488, 272, 107, 25, L"Button", L"中止(&C)"},
    };
    EXPECT_EQ(ChildWindows(window).size(), 7u);
    for (const auto& expected : controls) {
        HWND control = ChildAt(window, expected.left, expected.top);
        ASSERT_NE(control, nullptr) << expected.left << "," << expected.top;
        const RECT rect = RectInParent(control);
        EXPECT_EQ(rect.right - rect.left, expected.width) << expected.left << "," << expected.top;
        EXPECT_EQ(rect.bottom - rect.top, expected.height) << expected.left << "," << expected.top;
        EXPECT_EQ(_wcsicmp(ClassName(control).c_str(), expected.windowClass), 0)
            << expected.left << "," << expected.top;
        if (expected.text != nullptr) {
            EXPECT_EQ(WindowText(control), expected.text);
        }
    }
    HWND edit = ChildAt(window, 8, 256);
    EXPECT_EQ(WindowText(edit), directory);
    EXPECT_TRUE(GetWindowLongW(edit, GWL_STYLE) & ES_READONLY);
    EXPECT_EQ(IsWindowEnabled(ChildAt(window, 488, 240)) != 0, startEnabled);
    EXPECT_TRUE(IsWindowEnabled(ChildAt(window, 488, 272)));
    // Tab order: Start, Cancel, the directory field.
    EXPECT_EQ(GetNextDlgTabItem(window, ChildAt(window, 488, 240), FALSE),
              ChildAt(window, 488, 272));
    EXPECT_EQ(GetNextDlgTabItem(window, ChildAt(window, 488, 272), FALSE), edit);
}

TEST_F(WindowTest, ShowsTheFormAsDescribed) {
    InstallGame();
    Started run = Start("typical");
    ASSERT_NE(run.window, nullptr);
    EXPECT_TRUE(run.startupMessages.empty());
    HWND window = run.window;

    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 600);
    EXPECT_EQ(client.bottom, 300);
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_EQ(WindowText(window), L"ブリセル試験 修正パッチ Ver1.0");
    // Centred on the screen.
    RECT frame{};
    GetWindowRect(window, &frame);
    EXPECT_NEAR((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((frame.top + frame.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
    // The taskbar entry belongs to the application window titled briselPatch.
    HWND owner = GetWindow(window, GW_OWNER);
    ASSERT_NE(owner, nullptr);
    EXPECT_EQ(WindowText(owner), L"briselPatch");

    ExpectControls(window, kGameDir + L"\\", true);

    // The picture is drawn unscaled at the origin: one pixel in each quadrant.
    const Picture picture = Capture(window, true);
    ASSERT_EQ(picture.width, 600);
    EXPECT_EQ(picture.At(100, 50), 0xC82828u);
    EXPECT_EQ(picture.At(450, 50), 0x28A028u);
    EXPECT_EQ(picture.At(150, 200), 0x2828C8u);
    EXPECT_EQ(picture.At(400, 200), 0xE6E678u);
    // Above the controls, pixel for pixel the package's bitmap (decoded at
    // start-up where the installer carries it compressed).
    std::vector<std::uint32_t> shown;
    for (int y = 0; y < 236; ++y) {
        for (int x = 0; x < 600; ++x) {
            shown.push_back(picture.At(x, y));
        }
    }
    EXPECT_TRUE(shown == BitmapRows("typical", 236));
    // Labels are transparent over the picture; the link is drawn in blue; the
    // directory field has the tooltip background.
    EXPECT_GT(CountColour(picture, {328, 280, 452, 292}, 0xE6E678u), 124 * 12 / 2);
    EXPECT_GT(CountColour(picture, {8, 240, 113, 252}, 0x2828C8u), 105 * 12 / 2);
    EXPECT_GT(CountColour(picture, {304, 280, 324, 292}, 0x0000FFu), 5);
    EXPECT_GT(CountColour(picture, {400, 258, 478, 274}, Rgb(GetSysColor(COLOR_INFOBK))),
              78 * 16 / 2);
    Screenshot(window, "main-window-after-start-up");
}

// The prefix has glyphs for the form's face and its Japanese texts; without
// them every label is drawn as empty boxes, which the pixel checks above
// cannot tell from letters.
TEST_F(WindowTest, TheFormsFaceHasTheJapaneseGlyphs) {
    HDC screen = GetDC(nullptr);
    HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, L"ＭＳ Ｐゴシック");
    HGDIOBJ old = SelectObject(screen, font);
    const std::wstring text = L"修正対象ディレクトリ開始中止終了ここ";
    std::vector<WORD> glyphs(text.size());
    const DWORD converted = GetGlyphIndicesW(screen, text.c_str(), static_cast<int>(text.size()),
                                             glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(screen, old);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(converted, text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        EXPECT_NE(glyphs[i], 0xFFFF) << "no glyph for character " << i;
    }
}

TEST_F(WindowTest, ASmallerPictureLeavesButtonFaceAround) {
    InstallGame();
    Started run = Start("small-picture");
    ASSERT_NE(run.window, nullptr);
    const Picture picture = Capture(run.window, true);
    ASSERT_EQ(picture.width, 600);
    EXPECT_EQ(picture.At(10, 10), 0xFA00FAu);
    EXPECT_EQ(picture.At(199, 99), 0xFA00FAu);
    const std::uint32_t faceRgb = Rgb(GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(picture.At(200, 99), faceRgb);
    EXPECT_EQ(picture.At(400, 150), faceRgb);
    EXPECT_EQ(WindowText(run.window), L"小さい絵");
}

TEST_F(WindowTest, EscDoesNotCloseButAltCDoes) {
    InstallGame();
    Started run = Start("typical");
    ASSERT_NE(run.window, nullptr);
    PressKey(run.window, VK_ESCAPE);
    EXPECT_FALSE(run.process->WaitForExit(500).has_value());
    PressKey(run.window, 'C', true);
    EXPECT_EQ(run.process->WaitForExit(10000), std::optional<DWORD>(0));
}

TEST_F(WindowTest, ThePlainLetterPressesAButtonThatHasTheFocus) {
    InstallGame();
    Started run = Start("typical");
    ASSERT_NE(run.window, nullptr);
    ASSERT_TRUE(IsWindowEnabled(StartButton(run.window)));
    PressKey(run.window, 'C'); // Start has the focus; "C" presses Cancel
    EXPECT_EQ(run.process->WaitForExit(10000), std::optional<DWORD>(0));
}

TEST_F(WindowTest, EscAndEnterCloseAPlainMessage) {
    for (WORD key : {VK_ESCAPE, VK_RETURN}) {
        InstallerProcess process(Installer("typical")); // no game: a message at start-up
        HWND box = process.WaitForDialog();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(WindowText(box), L"briselPatch");
        PressKey(box, key);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000));
        HWND window = process.WaitForMainWindow();
        ASSERT_NE(window, nullptr);
        Click(CancelButton(window));
        EXPECT_EQ(process.WaitForExit(10000), std::optional<DWORD>(0));
    }
}

TEST_F(WindowTest, AnErrorDuringStartUpIsReportedAndTheWindowStillShows) {
    InstallGame();
    // A blank "%LinkPath" line is reached after the first entry was tried.
    InstallerProcess process(Installer("blank-linkpath"));
    HWND box = process.WaitForDialog();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(box), L"briselPatch");
    EXPECT_EQ(MessageBoxText(box), L"Range check error.");
    bool hasIcon = false;
    for (HWND child : ChildWindows(box)) {
        hasIcon = hasIcon || (ClassName(child) == L"Static" &&
                              (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON);
    }
    EXPECT_TRUE(hasIcon); // the stop icon
    ConfirmMessageBox(box);
    HWND window = process.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(WindowText(DirectoryField(window)), L"");
    EXPECT_FALSE(IsWindowEnabled(StartButton(window)));
    Click(CancelButton(window));
    EXPECT_EQ(process.WaitForExit(10000), std::optional<DWORD>(0));
}

TEST_F(WindowTest, TheCancelButtonEndsTheProgram) {
    Started run = Start("typical"); // no game: Start stays disabled
    ASSERT_NE(run.window, nullptr);
    EXPECT_FALSE(IsWindowEnabled(StartButton(run.window)));
    PressKey(run.window, 'S', true); // a disabled button ignores its accelerator
    EXPECT_TRUE(run.process->Dialogs().empty());
    Click(CancelButton(run.window));
    EXPECT_EQ(run.process->WaitForExit(10000), std::optional<DWORD>(0));
}

TEST_F(WindowTest, TheCloseBoxEndsTheProgram) {
    InstallGame();
    Started run = Start("typical");
    ASSERT_NE(run.window, nullptr);
    PostMessageW(run.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(run.process->WaitForExit(10000), std::optional<DWORD>(0));
}

// The tests run once under a Japanese and once under a Western locale (see
// the CTest set-up); the texts above read back the same in both.
TEST_F(WindowTest, RunsUnderTheCodePageOfTheLocale) {
    wchar_t expected[16] = {};
    if (GetEnvironmentVariableW(L"BRISEL_EXPECTED_ACP", expected, 16) == 0) {
        GTEST_SKIP() << "BRISEL_EXPECTED_ACP is not set";
    }
    const DWORD codePage = static_cast<DWORD>(_wtoi(expected));
    EXPECT_EQ(GetACP(), codePage);
    InstallerProcess probe(BuildPath("acp_probe.exe"));
    EXPECT_EQ(probe.WaitForExit(), std::optional<DWORD>(codePage));
}

TEST_F(WindowTest, ADllPlantedBesideTheInstallerIsNotLoaded) {
    // Names of DLLs that the shell loads on the way, and that Wine takes from
    // the program's folder when nothing restricts the search.
    const std::wstring folder = L"C:\\PlantTest";
    const std::wstring marker = folder + L"\\planted-dll-was-loaded.txt";
    for (const wchar_t* name : {L"shcore.dll", L"dwmapi.dll", L"propsys.dll"}) {
        ASSERT_TRUE(machine.CopyInto(BuildPath("planted.dll"), folder + L"\\" + name));
    }
    ASSERT_TRUE(machine.CopyInto(BuildPath("plant_probe.exe"), folder + L"\\plant_probe.exe"));
    ASSERT_TRUE(machine.CopyInto(Installer("typical"), folder + L"\\setup.exe"));
    machine.WriteFile(marker, "");
    DeleteFileW(marker.c_str());

    // Unprotected, loading the shell takes the planted DLL: the check can fail.
    InstallerProcess probe(folder + L"\\plant_probe.exe");
    ASSERT_EQ(probe.WaitForExit(), std::optional<DWORD>(0));
    if (!FileExists(marker)) {
        GTEST_SKIP() << "this Wine never loads a planted DLL; nothing to check";
    }
    DeleteFileW(marker.c_str());

    InstallGame();
    InstallerProcess installer(folder + L"\\setup.exe");
    HWND window = installer.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    HWND link = ChangeLink(window);
    PostMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    HWND browser = installer.WaitForDialog();
    ASSERT_NE(browser, nullptr);
    BrowserPress(browser, IDCANCEL);
    Click(CancelButton(window));
    EXPECT_EQ(installer.WaitForExit(), std::optional<DWORD>(0));
    EXPECT_FALSE(FileExists(marker));
}

} // namespace
} // namespace brisel::e2e
