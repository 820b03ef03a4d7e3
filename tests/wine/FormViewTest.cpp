// The main window's Win32 view in this process, on Wine's window system:
// a window that cannot be created is reported with the system's text, and
// the window's own handle reaches the default procedure up to its last
// message. The test package's shortcut is made first, so start-up shows no
// message.
#include "WineTestSupport.h"
#include "window/win32/SystemError.h"
#include "window/win32/Win32FormView.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <shlobj.h>

#include <filesystem>
#include <string>

namespace brisel {
namespace {

namespace fs = std::filesystem;

// The test's literals are Shift-JIS bytes.
std::wstring FromShiftJis(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    const int units = MultiByteToWideChar(932, 0, text.data(), static_cast<int>(text.size()),
                                          wide.data(), static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(units));
    return wide;
}

// Any message box the view shows on this thread is a failure: it is
// recorded and closed, so the test cannot wait for it forever.
std::wstring unexpectedMessage;
LRESULT CALLBACK CloseMessageBoxes(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND window = reinterpret_cast<HWND>(wParam);
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (std::wstring(name) == L"#32770") {
            wchar_t text[256] = {};
            GetDlgItemTextW(window, 0xFFFF, text, 256);
            unexpectedMessage = text[0] != 0 ? text : L"(a dialog)";
            PostMessageW(window, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class FormViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t programs[MAX_PATH] = {};
        ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, programs),
                  S_OK);
        wchar_t temp[MAX_PATH] = {};
        ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
        shortcutFolder_ = fs::path(programs) / FromShiftJis("テスト");
        game_ = fs::path(temp) / L"BriselFormView";
        fs::create_directories(game_);
        wine_test::CreateShortcut(shortcutFolder_ / FromShiftJis("テスト.lnk"),
                                  game_ / L"Game.exe");
        unexpectedMessage.clear();
        hook_ = SetWindowsHookExW(WH_CBT, CloseMessageBoxes, nullptr, GetCurrentThreadId());
        ASSERT_NE(hook_, nullptr);
    }
    void TearDown() override {
        UnhookWindowsHookEx(hook_);
        EXPECT_EQ(unexpectedMessage, L"");
        std::error_code ignored;
        fs::remove_all(shortcutFolder_, ignored);
        fs::remove_all(game_, ignored);
        // The window's end posted a quit message to this thread.
        MSG message;
        while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }

    fs::path shortcutFolder_, game_;
    HHOOK hook_ = nullptr;
};

WNDPROC viewProcedure = nullptr;
std::wstring textAfterLastMessage;

// Runs the view's procedure, then reads the window's text straight from
// the window: the default procedure frees it when it sees WM_NCDESTROY for
// this window.
LRESULT CALLBACK WatchLastMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallWindowProcW(viewProcedure, window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        wchar_t text[64] = {};
        InternalGetWindowText(window, text, 64);
        textAfterLastMessage = text;
    }
    return result;
}

TEST_F(FormViewTest, TheDefaultProcedureGetsTheWindowUpToItsLastMessage) {
    win32::Win32FormView view(GetModuleHandleW(nullptr), nullptr);
    view.Create();
    HWND window = view.Handle();
    ASSERT_NE(window, nullptr);
    wchar_t caption[64] = {};
    InternalGetWindowText(window, caption, 64);
    EXPECT_EQ(std::wstring(caption), FromShiftJis("リソース試験"));

    viewProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchLastMessage)));
    textAfterLastMessage = L"(not seen)";
    ASSERT_TRUE(DestroyWindow(window));
    EXPECT_EQ(textAfterLastMessage, L"");
    EXPECT_EQ(view.Handle(), nullptr);
}

TEST_F(FormViewTest, AWindowThatCannotBeCreatedRaisesTheSystemsText) {
    // An owner that is no window makes the system refuse the main window.
    HWND notAWindow = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7FFF0001));
    ASSERT_FALSE(IsWindow(notAWindow));
    win32::Win32FormView view(GetModuleHandleW(nullptr), notAWindow);
    try {
        view.Create();
        ADD_FAILURE() << "created";
    } catch (const win32::EWindowCreateError& e) {
        EXPECT_EQ(e.Message(), win32::SystemErrorText(ERROR_INVALID_WINDOW_HANDLE));
        EXPECT_FALSE(e.Message().empty());
    }
    EXPECT_EQ(view.Handle(), nullptr);
}

} // namespace
} // namespace brisel
