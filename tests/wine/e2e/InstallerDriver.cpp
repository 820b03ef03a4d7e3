#include "InstallerDriver.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>

namespace brisel::e2e {

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) {
            return true;
        }
        if (GetTickCount() - start > timeoutMs) {
            return false;
        }
        Sleep(50);
    }
}

namespace {

std::vector<wchar_t>
EnvironmentBlock(const std::vector<std::pair<std::wstring, std::wstring>>& overrides) {
    std::vector<wchar_t> block;
    wchar_t* current = GetEnvironmentStringsW();
    for (const wchar_t* p = current; *p != 0; p += wcslen(p) + 1) {
        const std::wstring entry = p;
        bool replaced = false;
        for (const auto& [name, value] : overrides) {
            if (_wcsnicmp(entry.c_str(), (name + L"=").c_str(), name.size() + 1) == 0) {
                replaced = true;
            }
        }
        if (!replaced) {
            block.insert(block.end(), entry.begin(), entry.end());
            block.push_back(0);
        }
    }
    FreeEnvironmentStringsW(current);
    for (const auto& [name, value] : overrides) {
        const std::wstring entry = name + L"=" + value;
        block.insert(block.end(), entry.begin(), entry.end());
        block.push_back(0);
    }
    block.push_back(0);
    return block;
}

struct FindRequest {
    DWORD processId;
    const wchar_t* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM data) {
    auto* request = reinterpret_cast<FindRequest*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == request->processId && IsWindowVisible(window) &&
        ClassName(window) == request->className) {
        request->found.push_back(window);
    }
    return TRUE;
}

} // namespace

std::vector<HWND> TopLevelWindows(DWORD processId, const wchar_t* className) {
    FindRequest request{processId, className, {}};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&request));
    return request.found;
}

InstallerProcess::InstallerProcess(
    const std::wstring& exe,
    const std::vector<std::pair<std::wstring, std::wstring>>& environment) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    std::vector<wchar_t> block = EnvironmentBlock(environment);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    // Started again after a pause if Wine refused it (seen once, right
    // after other runs of the same installer were killed).
    for (int attempt = 0; attempt < 3 && process_ == nullptr; ++attempt) {
        if (attempt > 0) {
            std::fprintf(stderr, "starting the installer failed (error %lu): once more\n",
                         GetLastError());
            Sleep(2000);
        }
        if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                           CREATE_UNICODE_ENVIRONMENT, block.data(), nullptr, &startup, &info)) {
            CloseHandle(info.hThread);
            process_ = info.hProcess;
            id_ = info.dwProcessId;
        }
    }
}

void InstallerProcess::Kill() const {
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, 10000);
}

InstallerProcess::~InstallerProcess() {
    if (process_ == nullptr) {
        return;
    }
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

HWND InstallerProcess::WaitForMainWindow(DWORD timeoutMs) const {
    HWND window = nullptr;
    WaitUntil(
        [&] {
            const auto found = TopLevelWindows(id_, L"TFormMain");
            window = found.empty() ? nullptr : found.front();
            return window != nullptr;
        },
        timeoutMs);
    return window;
}

std::vector<HWND> InstallerProcess::Dialogs() const {
    return TopLevelWindows(id_, L"#32770");
}

HWND InstallerProcess::WaitForDialog(DWORD timeoutMs) const {
    HWND dialog = nullptr;
    WaitUntil(
        [&] {
            const auto found = Dialogs();
            dialog = found.empty() ? nullptr : found.front();
            return dialog != nullptr;
        },
        timeoutMs);
    return dialog;
}

std::optional<DWORD> InstallerProcess::WaitForExit(DWORD timeoutMs) const {
    if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

std::wstring WindowText(HWND window) {
    wchar_t buffer[1024] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_BLOCK,
                        5000, nullptr);
    return buffer;
}

std::wstring ClassName(HWND window) {
    wchar_t buffer[256] = {};
    GetClassNameW(window, buffer, 256);
    return buffer;
}

RECT RectInParent(HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

HWND ChildAt(HWND parent, int left, int top) {
    for (HWND child : ChildWindows(parent)) {
        const RECT rect = RectInParent(child);
        if (rect.left == left && rect.top == top) {
            return child;
        }
    }
    return nullptr;
}

HWND ChildWithId(HWND parent, int id) {
    for (HWND child : ChildWindows(parent)) {
        if (GetDlgCtrlID(child) == id) {
            return child;
        }
    }
    return nullptr;
}

void Click(HWND button) {
    PostMessageW(button, BM_CLICK, 0, 0);
}

void PressKey(HWND window, WORD virtualKey, bool alt) {
    SetForegroundWindow(window);
    Sleep(100);
    std::vector<INPUT> inputs;
    const auto key = [&](WORD vk, bool up) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    };
    if (alt) {
        key(VK_MENU, false);
    }
    key(virtualKey, false);
    key(virtualKey, true);
    if (alt) {
        key(VK_MENU, true);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Sleep(300);
}

std::wstring MessageBoxText(HWND box) {
    HWND text = ChildWithId(box, 0xFFFF);
    return text != nullptr ? WindowText(text) : std::wstring();
}

bool ConfirmMessageBox(HWND box) {
    HWND ok = ChildWithId(box, IDOK);
    if (ok == nullptr) {
        return false;
    }
    Click(ok);
    return WaitUntil([box] { return !IsWindow(box) || !IsWindowVisible(box); }, 10000);
}

Picture Capture(HWND window, bool clientOnly) {
    // Let the installer finish painting: it draws asynchronously.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(400);
    Picture picture;
    RECT rect{};
    if (clientOnly) {
        GetClientRect(window, &rect);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    } else {
        GetWindowRect(window, &rect);
    }
    picture.width = rect.right - rect.left;
    picture.height = rect.bottom - rect.top;
    if (picture.width <= 0 || picture.height <= 0) {
        return picture;
    }
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, picture.width, picture.height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    const auto* pixels = static_cast<const std::uint8_t*>(bits);
    picture.rgb.resize(static_cast<std::size_t>(picture.width) * picture.height * 3);
    for (std::size_t i = 0; i < static_cast<std::size_t>(picture.width) * picture.height; ++i) {
        picture.rgb[i * 3] = pixels[i * 4 + 2];
        picture.rgb[i * 3 + 1] = pixels[i * 4 + 1];
        picture.rgb[i * 3 + 2] = pixels[i * 4];
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return picture;
}

bool SaveScreenshot(HWND window, const std::wstring& path) {
    return WritePng(path, Capture(window, false));
}

std::wstring BrowserPrompt(HWND browser) {
    for (HWND child : ChildWindows(browser)) {
        if (ClassName(child) == L"Static" || ClassName(child) == L"STATIC") {
            const std::wstring text = WindowText(child);
            if (!text.empty()) {
                return text;
            }
        }
    }
    return std::wstring();
}

namespace {

HWND BrowserTree(HWND browser) {
    for (HWND child : ChildWindows(browser)) {
        if (ClassName(child) == WC_TREEVIEWW) {
            return child;
        }
    }
    return nullptr;
}

} // namespace

namespace {

HTREEITEM NextItem(HWND tree, HTREEITEM item, WPARAM relation) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

} // namespace

bool BrowserHasASelection(HWND browser) {
    HWND tree = BrowserTree(browser);
    return tree != nullptr && NextItem(tree, nullptr, TVGN_CARET) != nullptr;
}

bool WaitForBrowserTree(HWND browser, DWORD timeoutMs) {
    // The tree fills in as the browser starts (for seconds under an
    // emulated Wine): settled once it holds a selection and neither its
    // item count nor the selection changed for a second.
    HWND tree = BrowserTree(browser);
    std::pair<LRESULT, HTREEITEM> last{-1, nullptr};
    int steady = 0;
    return WaitUntil(
        [&] {
            if (tree == nullptr) {
                tree = BrowserTree(browser);
                return false;
            }
            const std::pair<LRESULT, HTREEITEM> now{SendMessageW(tree, TVM_GETCOUNT, 0, 0),
                                                    NextItem(tree, nullptr, TVGN_CARET)};
            steady = now == last && now.second != nullptr ? steady + 1 : 0;
            last = now;
            Sleep(200);
            return steady >= 5;
        },
        timeoutMs);
}

void BrowserTypeName(HWND browser, const std::wstring& name) {
    HWND tree = BrowserTree(browser);
    if (tree == nullptr) {
        return;
    }
    // The tree's type-ahead selects the next shown item that starts with
    // the letters typed in quick succession.
    for (const wchar_t c : name) {
        SendMessageW(tree, WM_CHAR, c, 1);
    }
}

void BrowserPress(HWND browser, int buttonId) {
    HWND button = ChildWithId(browser, buttonId);
    if (button != nullptr) {
        Click(button);
    }
}

} // namespace brisel::e2e
