#include "Uformmain.h"

#include "FormDescription.h"
#include "Messages.h"
#include "PatchStep.h"
#include "core/Exceptions.h"
#include "core/TextUtils.h"
#include "package/BackgroundPicture.h"
#include "package/PatchTypeNumber.h"
#include "package/TResourceStream.h"
#include "package/Ttinycnf.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "support/TFileTools.h"

#include <optional>
#include <string>
#include <vector>

namespace brisel {

namespace {

std::optional<String> ScriptValue(const TTinyCnf& reader, const char* key) {
    String value;
    if (reader.GetValue(key, value)) {
        return value;
    }
    return std::nullopt;
}

} // namespace

TFormMain::TFormMain(IFormView& view)
    : actStart(ActionId::Start, "修正開始(&S)", false),
      actCancel(ActionId::Cancel, "中止(&C)", true),
      actChangePath(ActionId::ChangePath, "修正対象ディレクトリの指定(&T)", true), view_(view),
      caption_(kFormMainDescription.caption) {
    for (TAction* action : {&actStart, &actCancel, &actChangePath}) {
        action->OnChange([this](const TAction& changed) { view_.ActionChanged(changed); });
    }
    actStart.OnExecute([this] { actStartExecute(); });
    actCancel.OnExecute([this] { actCancelExecute(); });
    actChangePath.OnExecute([this] { actChangePathExecute(); });
}

TAction& TFormMain::Action(ActionId id) {
    switch (id) {
    case ActionId::Start:
        return actStart;
    case ActionId::Cancel:
        return actCancel;
    case ActionId::ChangePath:
        break;
    }
    return actChangePath;
}

const TBitmap& TFormMain::Background() const {
    static const TBitmap kEmpty;
    return FBackground ? *FBackground : kEmpty;
}

void TFormMain::SetCaption(const String& caption) {
    caption_ = caption;
    view_.SetCaption(caption_);
}

void TFormMain::SetTargetDirText(const WideString& text) {
    if (text == targetDir_) {
        return;
    }
    targetDir_ = text;
    view_.ShowTargetDir(targetDir_);
    edtTargetDirChange();
}

void TFormMain::LoadBackground() {
    FBackground = std::make_unique<TBitmap>();
    BackgroundPicture picture;
    FBackground->LoadFromStream(picture.Stream());
    view_.BackgroundChanged();
}

bool TFormMain::FindGameDirectory(const TStringList& linkPaths) {
    TFileTools fileTools;
    for (std::size_t i = 0; i < linkPaths.Count(); ++i) {
        WideString shortcut;
        if (!fileTools.FindProgramsShortcut(linkPaths[i], shortcut)) {
            continue;
        }
        WideString target;
        if (!fileTools.ResolveShortcut(shortcut, target)) {
            continue;
        }
        SetTargetDirText(WithTrailingBackslash(DirectoryOfPath(target)));
        return true;
    }
    return false;
}

void TFormMain::FormCreate() {
    LoadBackground();

    TStringList lines;
    std::unique_ptr<TResourceStream> script = TResourceStream::Open("TEXT", "RESOURCE_SCRIPT");
    script->LoadLines(lines);
    const TTinyCnf reader(lines);

    if (const auto caption = ScriptValue(reader, "*Caption")) {
        SetCaption(*caption);
    }
    if (const auto title = ScriptValue(reader, "*GameTitle")) {
        FGameTitle = *title;
    }
    FPatchType = PatchTypeFromValue(ScriptValue(reader, "*PatchType"));
    if (const auto marker = ScriptValue(reader, "*CheckTargetFilename")) {
        FCheckTargetFilename = *marker;
    }

    lines.Clear();
    if (!reader.GetSection("%LinkPath", lines)) {
        view_.ShowPlainMessage(messages::kLinkPathSectionMissing);
        return;
    }
    if (!FindGameDirectory(lines)) {
        view_.ShowPlainMessage(messages::kGameNotFound);
        return;
    }

    FOutFiles = std::make_unique<TStringList>();
    const bool outFilesFound = reader.GetSection("%OutFiles", *FOutFiles);
    if (outFilesFound || FPatchType != 1) {
        actStart.SetEnabled(true);
    } else {
        view_.ShowPlainMessage(messages::kOutFilesSectionMissing);
    }
}

void TFormMain::edtTargetDirChange() {
    const WideString& text = targetDir_;
    if (!text.empty() && !FCheckTargetFilename.empty()) {
        actStart.SetEnabled(platform::FileIsPresent(WithTrailingBackslash(text) +
                                                    platform::FromShiftJis(FCheckTargetFilename)));
    } else {
        actStart.SetEnabled(!text.empty());
    }
}

void TFormMain::lblChangePathClick() {
    actChangePath.Execute();
}

void TFormMain::actChangePathExecute() {
    const String prompt = "\"" + FGameTitle + "\"" + messages::kChooseDirectoryPrompt;
    const WideString chosen = view_.BrowseForFolder(prompt, targetDir_);
    if (!chosen.empty()) {
        SetTargetDirText(chosen);
    }
}

void TFormMain::actCancelExecute() {
    view_.Close();
}

void TFormMain::actStartExecute() {
    actStart.SetEnabled(false);
    actCancel.SetEnabled(false);
    // Cancel comes back whatever happens: the patch step reports its own
    // errors, but nothing may leave the window without a way to close it.
    struct ReenableCancel {
        TAction& cancel;
        ~ReenableCancel() { cancel.SetEnabled(true); }
    } reenable{actCancel};
    if (FPatchType == 0) {
        ApplyNoPatch();
    } else if (FPatchType == 1) {
        ApplyFilePatch();
    }
}

void TFormMain::ApplyNoPatch() {}

void TFormMain::ApplyFilePatch() {
    String outcome = messages::kPatchFailed;
    try {
        // Without the output list (start-up never got as far) there is
        // nothing to write: a failure like any other.
        if (FOutFiles) {
            outcome = PatchStep(*FOutFiles, targetDir_, view_).Run();
        }
    } catch (...) {
        outcome = messages::kPatchFailed;
    }
    view_.PatchEnded();
    view_.ShowPlainMessage(outcome);
    if (outcome == messages::kPatchSucceeded) {
        actCancel.SetCaption(messages::kExitCaption);
    }
}

} // namespace brisel
