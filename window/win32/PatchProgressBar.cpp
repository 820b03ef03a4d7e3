#include "window/win32/PatchProgressBar.h"

namespace brisel::win32 {

namespace {

// Above the directory field, over the bottom of the picture.
constexpr RECT kBar = {8, 216, 592, 232};
constexpr int kInside = kBar.right - kBar.left - 2;
// A step that ends sooner looks as it always did.
constexpr DWORD kShowAfterMs = 500;
// The bar moves at most this often: each move paints, which costs the
// step time of its own when pieces come fast.
constexpr DWORD kMoveEveryMs = 40;

bool IsUserInput(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK);
}

void HandleWaitingMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // For the message loop once the step is over.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (IsUserInput(message.message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

} // namespace

void PatchProgressBar::Update(HWND window, std::uint64_t done, std::uint64_t total) {
    const DWORD now = GetTickCount();
    if (!running_) {
        running_ = true;
        started_ = now;
    }
    if (!shown_ && now - started_ >= kShowAfterMs) {
        shown_ = true;
        Invalidate(window);
    }
    if (shown_ && total > 0 && now - moved_ >= kMoveEveryMs) {
        const int filled = static_cast<int>(kInside * (done < total ? done : total) / total);
        if (filled != filled_) {
            filled_ = filled;
            moved_ = now;
            Invalidate(window);
        }
    }
    HandleWaitingMessages();
}

void PatchProgressBar::End(HWND window) {
    if (shown_) {
        Invalidate(window);
    }
    running_ = false;
    shown_ = false;
    filled_ = 0;
}

void PatchProgressBar::Invalidate(HWND window) const {
    if (window != nullptr) {
        InvalidateRect(window, &kBar, TRUE);
    }
}

void PatchProgressBar::Paint(HDC dc) const {
    if (!shown_) {
        return;
    }
    RECT frame = kBar;
    FillRect(dc, &frame, GetSysColorBrush(COLOR_WINDOWFRAME));
    RECT inside = {kBar.left + 1, kBar.top + 1, kBar.right - 1, kBar.bottom - 1};
    FillRect(dc, &inside, GetSysColorBrush(COLOR_WINDOW));
    inside.right = inside.left + filled_;
    FillRect(dc, &inside, GetSysColorBrush(COLOR_HIGHLIGHT));
}

} // namespace brisel::win32
