#include "E2eSupport.h"

namespace brisel::e2e {

const std::wstring E2eTest::kGameDir = L"C:\\Games\\BriselTest";

namespace {

std::wstring OnDriveZ(const std::string& unix) {
    std::wstring path = L"Z:";
    for (char c : unix) {
        path.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c)));
    }
    return path;
}

} // namespace

std::wstring BuildPath(const std::string& relative) {
    return OnDriveZ(std::string(BRISEL_E2E_BUILD_DIR) + "/" + relative);
}

std::wstring SourcePath(const std::string& relative) {
    return OnDriveZ(std::string(BRISEL_E2E_SOURCE_DIR) + "/" + relative);
}

std::wstring E2eTest::Installer(const std::string& name) {
    // A run with BRISEL_E2E_INSTALLER_SUFFIX=-z takes the installers written
    // with --compress wherever the package has one.
    char suffix[16] = {};
    GetEnvironmentVariableA("BRISEL_E2E_INSTALLER_SUFFIX", suffix, sizeof suffix);
    const std::wstring variant = BuildPath("e2e-" + name + suffix + ".exe");
    if (suffix[0] != '\0' && GetFileAttributesW(variant.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return variant;
    }
    return BuildPath("e2e-" + name + ".exe");
}

void E2eTest::InstallGame(bool allUsers, const std::wstring& dir, const std::wstring& link) {
    machine.WriteFile(dir + L"\\Game.exe", "MZ game");
    ASSERT_TRUE(machine.MakeShortcut(allUsers, link, dir + L"\\Game.exe"));
}

void E2eTest::Screenshot(HWND window, const std::string& name) {
    CreateDirectoryW(BuildPath("screenshots").c_str(), nullptr);
    // Runs under another locale tag their pictures, e.g. "-en_US".
    char tag[64] = {};
    GetEnvironmentVariableA("BRISEL_SCREENSHOT_TAG", tag, sizeof tag);
    const std::string file = name + (tag[0] != '\0' ? std::string("-") + tag : std::string());
    EXPECT_TRUE(SaveScreenshot(window, BuildPath("screenshots/" + file + ".png"))) << file;
}

E2eTest::Started E2eTest::Start(const std::string& package,
                                const std::vector<std::pair<std::wstring, std::wstring>>& env) {
    Started started;
    started.process = std::make_unique<InstallerProcess>(Installer(package), env);
    EXPECT_TRUE(started.process->Started()) << package;
    // Start-up messages come before the main window is shown.
    const InstallerProcess& process = *started.process;
    WaitUntil(
        [&] {
            for (HWND box : process.Dialogs()) {
                started.startupMessages.push_back(MessageBoxText(box));
                ConfirmMessageBox(box);
            }
            started.window = process.WaitForMainWindow(0);
            return started.window != nullptr;
        },
        30000);
    EXPECT_NE(started.window, nullptr) << package;
    return started;
}

} // namespace brisel::e2e
