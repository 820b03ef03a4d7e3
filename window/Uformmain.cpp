#include "Uformmain.h"

#include "FormDescription.h"
#include "Messages.h"
#include "core/Exceptions.h"
#include "core/TextUtils.h"
#include "package/BackgroundPicture.h"
#include "package/PatchTypeNumber.h"
#include "package/TPayloads.h"
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

// A payload's content that reports each piece written to the view, so that
// a long step shows how far it has got and the window keeps answering.
class ReportedContent : public platform::FileContent {
public:
    ReportedContent(platform::FileContent& content, IFormView& view, std::uint64_t& done,
                    std::uint64_t total)
        : content_(content), view_(view), done_(done), total_(total) {}

    std::uint64_t Size() const override { return content_.Size(); }
    bool Verified() override { return content_.Verified(); }
    bool MayWriteInPlace() const override { return content_.MayWriteInPlace(); }
    bool Read(char* buffer, std::size_t size) override {
        if (!content_.Read(buffer, size)) {
            return false;
        }
        done_ += size;
        view_.PatchProgress(done_, total_);
        return true;
    }

private:
    platform::FileContent& content_;
    IFormView& view_;
    std::uint64_t& done_;
    const std::uint64_t total_;
};

// Keeps the window answering while a payload reads the game's file.
class CheckProgress final : public PieceObserver {
public:
    explicit CheckProgress(IFormView& view) : view_(view) {}
    virtual ~CheckProgress() = default;
    void PieceRead() override { view_.PatchProgress(0, 1); }

private:
    IFormView& view_;
};

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
    try {
        if (!FOutFiles) {
            // Start-up never got as far as the output list.
            throw Exception("no output file list");
        }
        const WideString directory = WithTrailingBackslash(targetDir_);
        const auto destination = [&](std::size_t i) {
            return directory + platform::FromShiftJis((*FOutFiles)[i]);
        };
        // Before anything is written, every file that a delta rebuilds must
        // be the version the delta was made from (or already the new one).
        TPayloads payloads;
        CheckProgress checkProgress(view_);
        std::vector<bool> toWrite(FOutFiles->Count(), false);
        std::uint64_t total = 0;
        for (std::size_t i = 0; i < FOutFiles->Count(); ++i) {
            if ((*FOutFiles)[i].empty()) {
                continue;
            }
            const PayloadAction action = payloads.Check(i, destination(i), checkProgress);
            if (action == PayloadAction::WrongVersion) {
                view_.PatchEnded();
                view_.ShowPlainMessage(messages::kWrongVersion + ("\"" + (*FOutFiles)[i] + "\""));
                return;
            }
            toWrite[i] = action == PayloadAction::Write;
            total += toWrite[i] ? payloads.SizeOf(i) : 0;
        }
        std::uint64_t done = 0;
        for (std::size_t i = 0; i < FOutFiles->Count(); ++i) {
            if (!toWrite[i]) {
                continue;
            }
            ReportedContent content(payloads.Open(i, destination(i)), view_, done, total);
            platform::WriteWholeFile(destination(i), content);
        }
    } catch (...) {
        view_.PatchEnded();
        view_.ShowPlainMessage(messages::kPatchFailed);
        return;
    }
    view_.PatchEnded();
    view_.ShowPlainMessage(messages::kPatchSucceeded);
    actCancel.SetCaption(messages::kExitCaption);
}

} // namespace brisel
