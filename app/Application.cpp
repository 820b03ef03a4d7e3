#include "app/Application.h"

#include "core/Exceptions.h"
#include "core/Mbcs.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/WideText.h"
#include "window/ErrorReport.h"
#include "window/win32/SystemError.h"
#include "window/win32/Win32FormView.h"
#include "window/win32/WindowClass.h"

#include <exception>
#include <memory>

namespace brisel {

namespace {

// Later LoadLibrary calls (the shell and the window system load DLLs on
// demand) search only the system directory, never the folder the installer
// was started from. Looked up at run time: Windows 7 without its update
// lacks the call, and there at least the current directory leaves the
// search (the DLLs the installer loads itself come by full path from the
// system directory: win32::LoadSystemLibrary).
void RestrictDllSearchToSystemDirectory() {
    BOOL(WINAPI * setDefault)(DWORD) = nullptr;
    win32::Resolve(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories", setDefault);
    if (setDefault == nullptr || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        SetDllDirectoryW(L"");
    }
}

// Makes the system refuse to follow a junction or mount point that a user
// without administrator rights made, so that a link planted in a folder
// every user may change (a game folder under C:\) cannot lead this elevated
// process's file operations elsewhere. Recent Windows 10 and 11 have it;
// elsewhere the call is missing or fails, and that is ignored. The policy's
// number and its flag are written out here, as older MinGW headers lack
// ProcessRedirectionTrustPolicy and PROCESS_MITIGATION_REDIRECTION_TRUST_POLICY.
void TrustOnlyAdministratorsRedirection() {
    constexpr DWORD kProcessRedirectionTrustPolicy = 16;
    constexpr DWORD kEnforceRedirectionTrust = 0x1; // the policy structure's Flags
    BOOL(WINAPI * setPolicy)(DWORD, PVOID, SIZE_T) = nullptr;
    win32::Resolve(GetModuleHandleW(L"kernel32.dll"), "SetProcessMitigationPolicy", setPolicy);
    if (setPolicy != nullptr) {
        DWORD flags = kEnforceRedirectionTrust;
        setPolicy(kProcessRedirectionTrustPolicy, &flags, sizeof flags);
    }
}

constexpr const wchar_t* kApplicationClass = L"briselPatchApplication";

LRESULT CALLBACK ApplicationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETFOCUS) {
        // Activating the taskbar entry activates the main window it owns.
        HWND owned = GetWindow(window, GW_ENABLEDPOPUP);
        if (owned != nullptr && owned != window) {
            SetFocus(owned);
            return 0;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The application window: titled with the application title, it carries
// the taskbar entry and owns the main window and the error reports. It has
// no size of its own, so nothing of it is seen but the entry. Raises
// EWindowCreateError when the system cannot create it.
class ApplicationWindow {
public:
    explicit ApplicationWindow(HINSTANCE instance) {
        win32::RegisterWindowClass(instance, kApplicationClass, ApplicationProc);
        const WideString title = win32::FromShiftJis(kApplicationTitle);
        const int x = GetSystemMetrics(SM_CXSCREEN) / 2;
        const int y = GetSystemMetrics(SM_CYSCREEN) / 2;
        handle_ =
            CreateWindowExW(0, kApplicationClass, win32::Wide(title),
                            WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                            x, y, 0, 0, nullptr, nullptr, instance, nullptr);
        if (handle_ == nullptr) {
            win32::RaiseWindowCreateError(GetLastError());
        }
    }
    ~ApplicationWindow() {
        if (handle_ != nullptr) {
            DestroyWindow(handle_);
        }
    }
    ApplicationWindow(const ApplicationWindow&) = delete;
    ApplicationWindow& operator=(const ApplicationWindow&) = delete;

    HWND Handle() const { return handle_; }

private:
    HWND handle_ = nullptr;
};

void ShowFatalReport(const String& message) {
    MessageBoxW(nullptr, win32::Wide(win32::FromShiftJis(ErrorReportText(message))),
                win32::Wide(win32::FromShiftJis(kApplicationTitle)), MB_OK | MB_ICONSTOP);
}

void RunMessageLoop(win32::Win32FormView& view) {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!view.PreTranslateMessage(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

} // namespace

int RunApplication(HINSTANCE instance, int showCommand) {
    RestrictDllSearchToSystemDirectory();
    TrustOnlyAdministratorsRedirection();
    try {
        // Every double-byte rule of the program reads this set. The script
        // and the program's own texts are Shift-JIS on every system, so a
        // name is split by Shift-JIS's rules whatever the ANSI code page.
        InstallLeadByteSet(LeadByteSet::ShiftJis());
        ApplicationWindow application(instance);
        ShowWindow(application.Handle(), SW_SHOWNOACTIVATE);
        win32::Win32FormView FormMain(instance, application.Handle());
        FormMain.Create();
        FormMain.Show(showCommand == SW_HIDE ? SW_SHOWNORMAL : showCommand);
        RunMessageLoop(FormMain);
    } catch (const win32::EWindowCreateError& e) {
        // Without its window the program cannot run at all: report and fail.
        ShowFatalReport(e.Message());
        return 1;
    } catch (const Exception& e) {
        ShowFatalReport(e.Message());
    } catch (const std::exception& e) {
        ShowFatalReport(e.what());
    } catch (...) {
        ShowFatalReport("Unknown error");
    }
    return 0;
}

} // namespace brisel
