// TFormMain: the main window's state and event handlers, apart from the
// Win32 view that shows them (IFormView).
//
// Start-up (FormCreate) loads the background and the patch script, finds
// the game's directory from its Start-menu shortcut and decides whether
// Start may be pressed; the user may choose another directory; Start writes
// the payload files into it.
#pragma once

#include "IFormView.h"
#include "TAction.h"
#include "core/AnsiString.h"
#include "core/WideString.h"
#include "package/TBitmap.h"
#include "support/TStringList.h"

#include <cstdint>
#include <memory>

namespace brisel {

class TFormMain {
public:
    explicit TFormMain(IFormView& view);
    TFormMain(const TFormMain&) = delete;
    TFormMain& operator=(const TFormMain&) = delete;

    // Window events.
    void FormCreate();
    void FormDestroy() {}

    // Control and action events.
    void actStartExecute();
    void actCancelExecute();
    void actChangePathExecute();
    void lblChangePathClick();
    void edtTargetDirChange();

    // The two kinds of patch step.
    void ApplyNoPatch();
    void ApplyFilePatch();

    TAction& Action(ActionId id);
    const String& Caption() const { return caption_; }
    // The text of edtTargetDir; setting a different text runs edtTargetDirChange.
    const WideString& TargetDirText() const { return targetDir_; }
    void SetTargetDirText(const WideString& text);
    // The picture FormPaint draws; empty until FormCreate has loaded one.
    const TBitmap& Background() const;

    TAction actStart;
    TAction actCancel;
    TAction actChangePath;

    // Settings read from the script at start-up. Declared so that they are
    // released in the order FCheckTargetFilename, FOutFiles, FGameTitle,
    // FBackground.
    std::unique_ptr<TBitmap> FBackground;
    String FGameTitle;
    std::int32_t FPatchType = 0;
    std::unique_ptr<TStringList> FOutFiles; // null until start-up reads "%OutFiles"
    String FCheckTargetFilename;

private:
    void SetCaption(const String& caption);
    void LoadBackground();
    bool FindGameDirectory(const TStringList& linkPaths);

    IFormView& view_;
    String caption_;
    WideString targetDir_;
};

} // namespace brisel
