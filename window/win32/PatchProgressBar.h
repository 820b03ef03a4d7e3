// The bar that shows how far a long patch step has got, and the message
// pump that keeps the window painting and answering while the step runs on
// the window's own thread. A step shorter than half a second shows no bar.
#pragma once

#include <windows.h>

#include <cstdint>

namespace brisel::win32 {

class PatchProgressBar {
public:
    // The step has written done of total bytes: shows or moves the bar once
    // the step has run long enough, then handles the messages waiting. The
    // user's input (keys, clicks, the close box) is dropped meanwhile: both
    // buttons are off during a step and nothing may start another.
    void Update(HWND window, std::uint64_t done, std::uint64_t total);
    // The step ended: the bar goes.
    void End(HWND window);
    // True while a step runs.
    bool Running() const { return running_; }
    // Draws the bar, when shown, onto the window's picture.
    void Paint(HDC dc) const;

private:
    void Invalidate(HWND window) const;

    bool running_ = false;
    bool shown_ = false;
    DWORD started_ = 0;
    DWORD moved_ = 0; // when the bar last moved
    int filled_ = 0;  // pixels of the bar's inside
};

} // namespace brisel::win32
