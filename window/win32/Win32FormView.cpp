#include "Win32FormView.h"

#include "SystemError.h"
#include "WindowClass.h"
#include "platform/FolderBrowser.h"
#include "platform/win32/WideText.h"
#include "window/ErrorReport.h"

#include <windowsx.h>

namespace brisel::win32 {

namespace {

constexpr int kFirstControlId = 100; // clear of IDOK and IDCANCEL
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr COLORREF kLinkColour = RGB(0, 0, 255);

int ControlCommandId(ControlId id) {
    return kFirstControlId + static_cast<int>(id);
}

HFONT MakeFont(const FontDescription& font, bool underline) {
    const WideString face = FromShiftJis(font.face);
    return CreateFontW(font.height, 0, 0, 0, FW_NORMAL, FALSE, underline ? TRUE : FALSE, FALSE,
                       font.charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, Wide(face));
}

// The window rectangle whose client area has the form's size, centred on
// the screen.
RECT CentredWindowRect() {
    RECT rect{0, 0, kFormMainDescription.clientWidth, kFormMainDescription.clientHeight};
    AdjustWindowRectEx(&rect, kWindowStyle, FALSE, 0);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    return RECT{left, top, left + width, top + height};
}

} // namespace

Win32FormView::Win32FormView(HINSTANCE instance, HWND applicationWindow)
    : instance_(instance), application_(applicationWindow), form_(*this) {}

Win32FormView::~Win32FormView() {
    if (window_ != nullptr) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

void Win32FormView::Create() {
    RegisterWindowClass(instance_, kClassName, WindowProc,
                        LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)), // IDC_ARROW
                        reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    const RECT rect = CentredWindowRect();
    const WideString caption = FromShiftJis(kFormMainDescription.caption);
    controlError_ = 0;
    SetLastError(0);
    HWND created = CreateWindowExW(0, kClassName, Wide(caption), kWindowStyle, rect.left, rect.top,
                                   rect.right - rect.left, rect.bottom - rect.top, application_,
                                   nullptr, instance_, this);
    if (created == nullptr) {
        const DWORD error = controlError_ != 0 ? controlError_ : GetLastError();
        window_ = nullptr;
        RaiseWindowCreateError(error);
    }
}

void Win32FormView::Show(int showCommand) {
    if (window_ != nullptr) {
        ShowWindow(window_, showCommand);
        UpdateWindow(window_);
    }
}

bool Win32FormView::PreTranslateMessage(MSG& message) {
    if (window_ == nullptr) {
        return false;
    }
    // Enter presses the focused button and nothing else: neither button is
    // the window's default button.
    if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN) {
        HWND focus = GetFocus();
        for (ControlId id : {ControlId::btnStart, ControlId::btnCancel}) {
            if (focus != nullptr && focus == Control(id)) {
                if (IsWindowEnabled(focus)) {
                    SendMessageW(focus, BM_CLICK, 0, 0);
                }
                return true;
            }
        }
    }
    return IsDialogMessageW(window_, &message) != 0;
}

LRESULT CALLBACK Win32FormView::WindowProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* view = static_cast<Win32FormView*>(create->lpCreateParams);
        view->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
    }
    auto* view = reinterpret_cast<Win32FormView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (view == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return view->HandleMessage(window, message, wParam, lParam);
}

LRESULT Win32FormView::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        CreateFonts();
        if (!CreateControls()) {
            return -1; // the window is useless without its controls: creation fails
        }
        created_ = true;
        RunEventHandler(*this, [this] { form_.FormCreate(); });
        return 0;
    case WM_PAINT:
        FormPaint();
        return 0;
    case WM_COMMAND:
        OnCommand(wParam, lParam);
        return 0;
    case WM_CTLCOLORSTATIC:
        return OnControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SETCURSOR:
        if (OnSetCursor(reinterpret_cast<HWND>(wParam))) {
            return TRUE;
        }
        break;
    case WM_ACTIVATE:
        // Remember the focused control when the window loses activation and
        // give it back when it returns; the first tab stop to begin with.
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus != nullptr && IsChild(window_, focus)) {
                lastFocus_ = focus;
            }
        }
        break;
    case WM_SETFOCUS:
        FocusControl();
        return 0;
    case WM_CLOSE:
        // A patch step runs to its end: the window cannot go meanwhile.
        if (progress_.Running()) {
            return 0;
        }
        break;
    case WM_SYSCOMMAND:
        // Minimising hides the window with its taskbar entry, the
        // application window that owns it.
        if ((wParam & 0xFFF0) == SC_MINIMIZE && application_ != nullptr) {
            ShowWindow(application_, SW_MINIMIZE);
            return 0;
        }
        break;
    case WM_DESTROY:
        // A window whose creation failed never ran: no FormDestroy, and no
        // quit message, which would close the error report at once.
        if (created_) {
            RunEventHandler(*this, [this] { form_.FormDestroy(); });
            PostQuitMessage(0);
        }
        return 0;
    case WM_NCDESTROY:
        // The last message of the window: forget it and its controls, which
        // are gone, so nothing uses their handles again.
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        window_ = nullptr;
        controls_.fill(nullptr);
        lastFocus_ = nullptr;
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void Win32FormView::CreateFonts() {
    font_.Reset(MakeFont(kFormMainDescription.font, false));
    linkFont_.Reset(MakeFont(kFormMainDescription.font, true));
    tooltipBrush_.Reset(CreateSolidBrush(GetSysColor(COLOR_INFOBK)));
}

bool Win32FormView::CreateControls() {
    // Tab order is creation order: tab stops first, by their tab order.
    std::array<const ControlDescription*, kControlCount> order{};
    std::size_t count = 0;
    for (int tab = 0; tab < static_cast<int>(kControlCount); ++tab) {
        for (const auto& control : kFormMainDescription.controls) {
            if (control.tabOrder == tab) {
                order[count++] = &control;
            }
        }
    }
    for (const auto& control : kFormMainDescription.controls) {
        if (control.tabOrder < 0) {
            order[count++] = &control;
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        HWND control = CreateControl(*order[i]);
        if (control == nullptr) {
            controlError_ = GetLastError();
            return false;
        }
        controls_[static_cast<std::size_t>(order[i]->id)] = control;
    }
    return true;
}

HWND Win32FormView::CreateControl(const ControlDescription& control) {
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD exStyle = 0;
    const wchar_t* windowClass = L"STATIC";
    WideString text = FromShiftJis(control.text);
    switch (control.kind) {
    case ControlKind::Label:
        style |= SS_LEFT | SS_NOPREFIX;
        if (control.properties & kClickable) {
            style |= SS_NOTIFY;
        }
        break;
    case ControlKind::Edit:
        windowClass = L"EDIT";
        exStyle = WS_EX_CLIENTEDGE;
        style |= ES_LEFT | ES_AUTOHSCROLL;
        if (control.properties & kReadOnly) {
            style |= ES_READONLY;
        }
        break;
    case ControlKind::Button: {
        windowClass = L"BUTTON";
        style |= BS_PUSHBUTTON;
        const TAction& action = form_.Action(*control.action);
        text = FromShiftJis(action.Caption());
        if (!action.Enabled()) {
            style |= WS_DISABLED;
        }
        break;
    }
    }
    if (control.tabOrder >= 0) {
        style |= WS_TABSTOP;
    }
    HWND handle =
        CreateWindowExW(exStyle, windowClass, Wide(text), style, control.left, control.top,
                        control.width, control.height, window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlCommandId(control.id))),
                        instance_, nullptr);
    if (handle != nullptr) {
        const HFONT font = (control.properties & kLinkFont) ? linkFont_.Get() : font_.Get();
        SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    return handle;
}

void Win32FormView::FormPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window_, &paint);
    const TBitmap& background = form_.Background();
    if (!background.Empty()) {
        const std::string& dib = background.PackedDib();
        const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
        StretchDIBits(dc, 0, 0, background.Width(), background.Height(), 0, 0, background.Width(),
                      background.Height(), dib.data() + background.PixelOffset(), info,
                      DIB_RGB_COLORS, SRCCOPY);
    }
    progress_.Paint(dc);
    EndPaint(window_, &paint);
}

void Win32FormView::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (lParam == 0) {
        return; // IDOK and IDCANCEL from Enter and Esc: neither button is default or cancel
    }
    const int id = LOWORD(wParam) - kFirstControlId;
    const int code = HIWORD(wParam);
    if (id < 0 || id >= static_cast<int>(kControlCount)) {
        return;
    }
    const ControlDescription& control = DescriptionOf(static_cast<ControlId>(id));
    if (control.kind == ControlKind::Button && code == BN_CLICKED && control.action) {
        TAction& action = form_.Action(*control.action);
        RunEventHandler(*this, [&action] { action.Execute(); });
    } else if (control.event == ControlEvent::lblChangePathClick && code == STN_CLICKED) {
        RunEventHandler(*this, [this] { form_.lblChangePathClick(); });
    }
}

unsigned Win32FormView::PropertiesOf(HWND control) const {
    if (control == nullptr) {
        return 0;
    }
    for (const auto& description : kFormMainDescription.controls) {
        if (Control(description.id) == control) {
            return description.properties;
        }
    }
    return 0;
}

LRESULT Win32FormView::OnControlColour(HDC dc, HWND control) {
    const unsigned properties = PropertiesOf(control);
    if (properties & kTooltipBackground) {
        SetBkColor(dc, GetSysColor(COLOR_INFOBK));
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(tooltipBrush_.Get());
    }
    if (properties & kTransparent) {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, (properties & kLinkFont) ? kLinkColour : GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    }
    return DefWindowProcW(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                          reinterpret_cast<LPARAM>(control));
}

bool Win32FormView::OnSetCursor(HWND control) {
    if (PropertiesOf(control) & kHandCursor) {
        SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649))); // IDC_HAND
        return true;
    }
    return false;
}

void Win32FormView::FocusControl() {
    HWND target = lastFocus_;
    if (target == nullptr || !IsWindow(target) || !IsWindowEnabled(target)) {
        target = GetNextDlgTabItem(window_, nullptr, FALSE);
    }
    if (target != nullptr) {
        SetFocus(target);
    }
}

void Win32FormView::MoveFocusOffDisabled(HWND control) {
    if (GetFocus() == control) {
        HWND next = GetNextDlgTabItem(window_, control, FALSE);
        SetFocus(next != nullptr && next != control ? next : window_);
    }
}

void Win32FormView::SetCaption(const String& caption) {
    SetWindowTextW(window_, Wide(FromShiftJis(caption)));
}

void Win32FormView::ShowTargetDir(const WideString& path) {
    SetWindowTextW(Control(ControlId::edtTargetDir), Wide(path));
}

void Win32FormView::ActionChanged(const TAction& action) {
    for (const auto& control : kFormMainDescription.controls) {
        if (!control.action || *control.action != action.Id()) {
            continue;
        }
        HWND button = Control(control.id);
        if (button == nullptr) {
            continue;
        }
        SetWindowTextW(button, Wide(FromShiftJis(action.Caption())));
        if (!action.Enabled()) {
            MoveFocusOffDisabled(button);
        }
        EnableWindow(button, action.Enabled() ? TRUE : FALSE);
    }
}

void Win32FormView::BackgroundChanged() {
    if (window_ != nullptr) {
        InvalidateRect(window_, nullptr, TRUE);
    }
}

void Win32FormView::ShowPlainMessage(const String& text) {
    MessageBoxW(nullptr, Wide(FromShiftJis(text)), Wide(FromShiftJis(kApplicationTitle)),
                MB_OK | MB_TASKMODAL);
}

void Win32FormView::ShowErrorReport(const String& text) {
    MessageBoxW(application_, Wide(FromShiftJis(text)), Wide(FromShiftJis(kApplicationTitle)),
                MB_OK | MB_ICONSTOP);
}

WideString Win32FormView::BrowseForFolder(const String& prompt, const WideString& initialFolder) {
    return platform::BrowseForFolder(window_, WideString(), FromShiftJis(prompt), initialFolder);
}

void Win32FormView::PatchProgress(std::uint64_t done, std::uint64_t total) {
    progress_.Update(window_, done, total);
}

void Win32FormView::PatchEnded() {
    progress_.End(window_);
}

void Win32FormView::Close() {
    if (window_ != nullptr) {
        PostMessageW(window_, WM_CLOSE, 0, 0);
    }
}

} // namespace brisel::win32
