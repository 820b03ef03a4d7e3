// What the main window's logic asks of its view: the Win32 window in the
// installer, a fake in the host tests.
#pragma once

#include "TAction.h"
#include "core/AnsiString.h"
#include "core/WideString.h"

#include <cstdint>

namespace brisel {

class IFormView {
public:
    virtual ~IFormView() = default;

    // The window caption, a Shift-JIS text.
    virtual void SetCaption(const String& caption) = 0;
    // The text shown in the directory field, a path as the system names it.
    virtual void ShowTargetDir(const WideString& path) = 0;
    // A bound action changed its caption or enabled state.
    virtual void ActionChanged(const TAction& action) = 0;
    // The background picture changed and must be drawn again.
    virtual void BackgroundChanged() = 0;
    // A modal message box with the application title, no icon and OK.
    virtual void ShowPlainMessage(const String& text) = 0;
    // The standard error report: the application title, a stop icon, OK.
    virtual void ShowErrorReport(const String& text) = 0;
    // The shell's folder browser; the chosen path, or empty when cancelled.
    virtual WideString BrowseForFolder(const String& prompt, const WideString& initialFolder) = 0;
    // The patch step has written done of total bytes. A step that runs
    // longer than half a second shows a progress bar; the window keeps
    // painting and answering meanwhile, the user's input waits.
    virtual void PatchProgress(std::uint64_t done, std::uint64_t total) = 0;
    // The patch step ended; its progress bar, if shown, goes.
    virtual void PatchEnded() = 0;
    // Closes the main window, which ends the program.
    virtual void Close() = 0;
};

} // namespace brisel
