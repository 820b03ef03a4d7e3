// The Win32 view of the main window: a top-level window of its own class
// built from the form description, with standard STATIC, EDIT and BUTTON
// child controls. It forwards events to TFormMain and shows what the logic
// asks it to show.
#pragma once

#include "platform/win32/Handles.h"
#include "window/FormDescription.h"
#include "window/IFormView.h"
#include "window/Uformmain.h"
#include "window/win32/PatchProgressBar.h"

#include <windows.h>

#include <array>

namespace brisel::win32 {

class Win32FormView final : public IFormView {
public:
    // The window class name test drivers and assistive tools look for.
    static constexpr const wchar_t* kClassName = L"TFormMain";

    Win32FormView(HINSTANCE instance, HWND applicationWindow);
    ~Win32FormView() override;
    Win32FormView(const Win32FormView&) = delete;
    Win32FormView& operator=(const Win32FormView&) = delete;

    // Creates the window, which runs FormCreate before it is first shown.
    // Raises EWindowCreateError, with the system's text, when the window or
    // one of its controls cannot be created.
    void Create();
    void Show(int showCommand);
    HWND Handle() const { return window_; }

    // Keyboard navigation and accelerators of the dialog manager; true when
    // the message was handled.
    bool PreTranslateMessage(MSG& message);

    // IFormView
    void SetCaption(const String& caption) override;
    void ShowTargetDir(const WideString& path) override;
    void ActionChanged(const TAction& action) override;
    void BackgroundChanged() override;
    void ShowPlainMessage(const String& text) override;
    void ShowErrorReport(const String& text) override;
    WideString BrowseForFolder(const String& prompt, const WideString& initialFolder) override;
    void PatchProgress(std::uint64_t done, std::uint64_t total) override;
    void PatchEnded() override;
    void Close() override;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    void CreateFonts();
    // False, with the system's error in controlError_, when a control
    // cannot be created.
    bool CreateControls();
    HWND CreateControl(const ControlDescription& control);
    void FormPaint();
    void OnCommand(WPARAM wParam, LPARAM lParam);
    // The form description's properties of a control of this window; none
    // for any other window.
    unsigned PropertiesOf(HWND control) const;
    LRESULT OnControlColour(HDC dc, HWND control);
    bool OnSetCursor(HWND control);
    void FocusControl();
    void MoveFocusOffDisabled(HWND control);
    HWND Control(ControlId id) const { return controls_[static_cast<std::size_t>(id)]; }

    HINSTANCE instance_;
    HWND application_;
    HWND window_ = nullptr;
    std::array<HWND, kControlCount> controls_{};
    HWND lastFocus_ = nullptr;
    DWORD controlError_ = 0;
    bool created_ = false; // WM_CREATE succeeded
    GdiObject<HFONT> font_;
    GdiObject<HFONT> linkFont_;
    GdiObject<HBRUSH> tooltipBrush_;
    PatchProgressBar progress_;
    TFormMain form_;
};

} // namespace brisel::win32
