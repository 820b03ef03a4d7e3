// The fixture of the end-to-end tests: installers built from the test
// package folders, a player's machine, and where screenshots go.
#pragma once

#include "InstallerDriver.h"
#include "PlayerMachine.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace brisel::e2e {

// A build-folder path (given with "/") as a Windows path on Wine's Z: drive.
std::wstring BuildPath(const std::string& relative);
// The same of a path below tests/wine/e2e in the sources.
std::wstring SourcePath(const std::string& relative);

// A system colour as the captured pictures hold it (0xRRGGBB).
inline std::uint32_t Rgb(COLORREF colour) {
    return GetRValue(colour) << 16 | GetGValue(colour) << 8 | GetBValue(colour);
}

class E2eTest : public ::testing::Test {
protected:
    static const std::wstring kGameDir; // C:\Games\BriselTest

    PlayerMachine machine;

    // The installer built from tests/wine/e2e/packages/<name>.
    static std::wstring Installer(const std::string& name);
    // Installs the test game with its per-user (or all-users) shortcut.
    void InstallGame(bool allUsers = false, const std::wstring& dir = kGameDir,
                     const std::wstring& link = L"BriselTest\\Game.lnk");
    // Saves a screenshot of window as <build>/screenshots/<name>.png.
    static void Screenshot(HWND window, const std::string& name);

    // Starts an installer and waits for its main window; messages shown
    // during start-up are collected (text) and confirmed first.
    struct Started {
        std::unique_ptr<InstallerProcess> process;
        HWND window = nullptr;
        std::vector<std::wstring> startupMessages;
    };
    Started Start(const std::string& package,
                  const std::vector<std::pair<std::wstring, std::wstring>>& environment = {});

    static HWND Control(HWND window, int left, int top) { return ChildAt(window, left, top); }
    static HWND StartButton(HWND window) { return ChildAt(window, 488, 240); }
    static HWND CancelButton(HWND window) { return ChildAt(window, 488, 272); }
    static HWND DirectoryField(HWND window) { return ChildAt(window, 8, 256); }
    static HWND ChangeLink(HWND window) { return ChildAt(window, 304, 280); }
};

} // namespace brisel::e2e
