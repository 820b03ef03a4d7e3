// The main job on the sample package, under Wine: prepares a player's
// machine (the sample game and its Start-menu shortcut) and runs the sample
// installer. With --auto it applies the patch itself, as a person would, and
// writes what happened to a UTF-8 report; otherwise a person clicks through.
//
//   demo_driver INSTALLER.exe REPORT.txt SCREENSHOT_DIR [--auto]
#include "InstallerDriver.h"
#include "PlayerMachine.h"

#include <windows.h>

#include <cstdio>
#include <string>

using namespace brisel::e2e;

namespace {

const std::wstring kGameDir = L"C:\\Games\\星海アルカディア";

std::string Utf8(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

class Report {
public:
    explicit Report(const std::wstring& path) : file_(_wfopen(path.c_str(), L"wb")) {}
    ~Report() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;
    void Line(const std::wstring& text) {
        if (file_ != nullptr) {
            const std::string bytes = Utf8(text) + "\n";
            std::fwrite(bytes.data(), 1, bytes.size(), file_);
            std::fflush(file_);
        }
    }

private:
    FILE* file_;
};

// The sample game as its own installer would have left it.
void InstallSampleGame(PlayerMachine& machine) {
    machine.WriteFile(kGameDir + L"\\Arcadia.exe", "MZ sample game");
    machine.WriteFile(kGameDir + L"\\patch102.arc", "the game's old archive");
    machine.MakeShortcut(false, L"星海アルカディア\\星海アルカディア.lnk",
                         kGameDir + L"\\Arcadia.exe");
}

int RunAutomatically(const std::wstring& installer, Report& report, const std::wstring& shots) {
    InstallerProcess process(installer);
    HWND window = process.WaitForMainWindow();
    if (window == nullptr) {
        report.Line(L"the installer's window did not appear");
        return 1;
    }
    HWND field = ChildAt(window, 8, 256);
    HWND start = ChildAt(window, 488, 240);
    HWND cancel = ChildAt(window, 488, 272);
    report.Line(L"window caption:   " + WindowText(window));
    report.Line(L"target directory: " + WindowText(field));
    report.Line(std::wstring(L"Start button:     ") +
                (IsWindowEnabled(start) ? L"enabled" : L"disabled"));
    SaveScreenshot(window, shots + L"\\demo-after-start-up.png");
    report.Line(L"screenshot:       " + shots + L"\\demo-after-start-up.png");

    Click(start);
    HWND box = process.WaitForDialog();
    if (box == nullptr) {
        report.Line(L"no message after Start");
        return 1;
    }
    const std::wstring message = MessageBoxText(box);
    report.Line(L"message:          " + message);
    ConfirmMessageBox(box);
    report.Line(L"Cancel button now: " + WindowText(cancel));
    SaveScreenshot(window, shots + L"\\demo-after-patch.png");
    report.Line(L"screenshot:       " + shots + L"\\demo-after-patch.png");
    const std::string patched = ReadWholeFile(kGameDir + L"\\patch102.arc");
    const std::string head = patched.substr(0, 11);
    report.Line(L"patched file:     " + kGameDir + L"\\patch102.arc (" +
                std::to_wstring(patched.size()) + L" bytes, starts with \"" +
                std::wstring(head.begin(), head.end()) + L"\")");
    Click(cancel);
    const auto code = process.WaitForExit();
    report.Line(L"installer exit code: " + (code ? std::to_wstring(*code) : L"(still running)"));
    return message == L"修正処理が正常に終了しました" ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fputs("usage: demo_driver INSTALLER.exe REPORT.txt SCREENSHOT_DIR [--auto]\n", stderr);
        return 2;
    }
    const bool automatic = argc > 4 && std::wstring(argv[4]) == L"--auto";
    Report report(argv[2]);
    PlayerMachine machine;
    InstallSampleGame(machine);
    report.Line(L"sample game:      " + kGameDir + L"\\Arcadia.exe");
    report.Line(L"Start-menu entry: " + PlayerMachine::ProgramsFolder(false) +
                L"\\星海アルカディア\\星海アルカディア.lnk");
    if (automatic) {
        return RunAutomatically(argv[1], report, argv[3]);
    }
    InstallerProcess process(argv[1]);
    const auto code = process.WaitForExit(INFINITE);
    report.Line(L"installer exit code: " + (code ? std::to_wstring(*code) : L"?"));
    report.Line(L"archive now holds " +
                std::to_wstring(ReadWholeFile(kGameDir + L"\\patch102.arc").size()) + L" bytes");
    return 0;
}
