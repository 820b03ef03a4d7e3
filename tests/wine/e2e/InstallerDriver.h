// Drives a running installer from outside its process, as a person would:
// finds its windows, reads their texts and states, presses buttons and keys,
// and takes screenshots.
#pragma once

#include "PngWriter.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace brisel::e2e {

// Polls condition every 50 ms until it holds or timeoutMs pass.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 15000);

class InstallerProcess {
public:
    // Starts exe with the environment of this process plus the overrides.
    explicit InstallerProcess(
        const std::wstring& exe,
        const std::vector<std::pair<std::wstring, std::wstring>>& environment = {});
    ~InstallerProcess(); // ends the process if it still runs
    InstallerProcess(const InstallerProcess&) = delete;
    InstallerProcess& operator=(const InstallerProcess&) = delete;

    bool Started() const { return process_ != nullptr; }
    DWORD Id() const { return id_; }

    // The visible main window, or null after the timeout.
    HWND WaitForMainWindow(DWORD timeoutMs = 20000) const;
    // A visible dialog-class window (a message box or the folder browser).
    HWND WaitForDialog(DWORD timeoutMs = 20000) const;
    // Every visible dialog-class window of the process.
    std::vector<HWND> Dialogs() const;
    // The exit code once the process ended, or nothing after the timeout.
    std::optional<DWORD> WaitForExit(DWORD timeoutMs = 20000) const;
    // Ends the process at once, as Task Manager or a power cut would.
    void Kill() const;

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);
// The visible top-level windows of the process with the class name.
std::vector<HWND> TopLevelWindows(DWORD processId, const wchar_t* className);
// The child's rectangle in its parent's client coordinates.
RECT RectInParent(HWND child);
// The direct child windows of parent, in z-order.
std::vector<HWND> ChildWindows(HWND parent);
// The child of parent whose top-left corner is at (left, top).
HWND ChildAt(HWND parent, int left, int top);
// The child control with the given id.
HWND ChildWithId(HWND parent, int id);

// Presses a button the way its click arrives from the mouse.
void Click(HWND button);
// Types a key, with Alt held when alt is set, into the foreground window.
void PressKey(HWND window, WORD virtualKey, bool alt = false);

// The message text of a message box.
std::wstring MessageBoxText(HWND box);
// Presses the message box's OK button and waits until it is gone.
bool ConfirmMessageBox(HWND box);

// The pixels of the window's client area (or the whole window).
Picture Capture(HWND window, bool clientOnly);
bool SaveScreenshot(HWND window, const std::wstring& path);

// The folder browser: its prompt, the text of the selected item, choosing
// another folder beside it as a click on it would, and OK or Cancel.
std::wstring BrowserPrompt(HWND browser);
// True when the browser's tree has an item selected; asks for item handles
// only, which cross the process boundary as they are.
bool BrowserHasASelection(HWND browser);
// Waits until the browser's tree has filled in and holds a selection.
bool WaitForBrowserTree(HWND browser, DWORD timeoutMs);
// Selects an item shown in the tree by typing its name, as a player may.
void BrowserTypeName(HWND browser, const std::wstring& name);
void BrowserPress(HWND browser, int buttonId);

} // namespace brisel::e2e
