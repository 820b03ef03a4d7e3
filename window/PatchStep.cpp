#include "PatchStep.h"

#include "DiskSpace.h"
#include "Messages.h"
#include "core/EntryPath.h"
#include "core/Exceptions.h"
#include "package/TPayloads.h"
#include "platform/GameFolder.h"
#include "platform/Text.h"

#include <string_view>
#include <vector>

namespace brisel {

namespace {

// A payload's content that reports each piece written.
class ReportedContent final : public platform::FileContent {
public:
    ReportedContent(platform::FileContent& content, PieceObserver& progress)
        : content_(content), progress_(progress) {}

    std::uint64_t Size() const override { return content_.Size(); }
    bool Verified() override { return content_.Verified(); }
    bool MayWriteInPlace() const override { return content_.MayWriteInPlace(); }
    bool Read(char* buffer, std::size_t size) override {
        if (!content_.Read(buffer, size)) {
            return false;
        }
        progress_.PieceRead(size);
        return true;
    }

private:
    platform::FileContent& content_;
    PieceObserver& progress_;
};

String Quoted(const String& entry) {
    return "\"" + entry + "\"";
}

void AddLine(String& text, std::string_view line) {
    text += '\n';
    text += line;
}

// The failure message, naming the entry and what holds its file.
String Failed(const String& entry, const std::vector<WideString>& holders = {}) {
    String text = messages::kPatchFailed;
    AddLine(text, Quoted(entry));
    if (!holders.empty()) {
        AddLine(text, messages::kCloseProgramsFirst);
        for (const WideString& program : holders) {
            AddLine(text, platform::ToShiftJis(program));
        }
    }
    return text;
}

String FailedBecause(const char* reason) {
    String text = messages::kPatchFailed;
    AddLine(text, reason);
    return text;
}

} // namespace

// One non-blank "%OutFiles" line and what the checks found for it.
struct PatchStep::Planned {
    std::size_t number = 0;
    EntryPath entry;
    PlannedWrite room;  // what its write takes of its drive
    bool write = false; // its payload changes the file
};

// How far the step has got, in bytes read or written, for the view's bar;
// each piece also lets the window answer.
class PatchStep::Progress final : public PieceObserver {
public:
    explicit Progress(IFormView& view) : view_(view) {}

    void PieceRead(std::size_t bytes) override {
        done_ += bytes;
        view_.PatchProgress(done_, total_ < done_ ? done_ : total_);
    }
    // The bytes still to come from here on.
    void Expect(std::uint64_t bytes) { total_ = done_ + bytes; }

private:
    IFormView& view_;
    std::uint64_t done_ = 0;
    std::uint64_t total_ = 0;
};

// The bar expects the bytes checked here, then those of the writes.
bool PatchStep::PackageDataIntact(const std::vector<PackageResource>& read, Progress& progress,
                                  std::uint64_t toWrite) {
    const PackageSums sums;
    progress.Expect(sums.BytesToCheck(read) + toWrite);
    for (const PackageResource& resource : read) {
        if (!sums.Check(resource, progress)) {
            return false;
        }
    }
    return true;
}

PatchStep::PatchStep(const TStringList& outFiles, const WideString& directory, IFormView& view)
    : outFiles_(outFiles), directory_(directory), view_(view) {}

PatchStep::~PatchStep() = default;

String PatchStep::Run() {
    const auto folder = platform::OpenGameFolder(WithTrailingBackslash(directory_));
    TPayloads payloads(*folder);
    Progress progress(view_);
    try {
        const String failure = CheckEverything(*folder, payloads, progress);
        if (!failure.empty()) {
            return failure;
        }
    } catch (const EReadError&) {
        return FailedBecause(messages::kInstallerDamaged); // a spoiled record or stream
    }
    for (const Planned& p : planned_) {
        if (p.write) {
            ReportedContent content(payloads.Open(p.number, p.entry), progress);
            folder->Write(p.entry, content);
        }
    }
    return messages::kPatchSucceeded;
}

String PatchStep::CheckEverything(platform::GameFolder& folder, TPayloads& payloads,
                                  Progress& progress) {
    // Each entry: a name inside the game folder, a payload, a file that the
    // write will be able to replace.
    std::uint64_t toHash = 0, toWrite = 0;
    for (std::size_t i = 0; i < outFiles_.Count(); ++i) {
        const String& line = outFiles_[i];
        if (line.empty()) {
            continue;
        }
        auto entry = SplitEntry(platform::FromShiftJis(line));
        if (!entry || !payloads.Has(i)) {
            return Failed(line);
        }
        const platform::EntryCheck destination = folder.Check(*entry);
        if (destination.problem != platform::EntryProblem::None) {
            return Failed(line, destination.holders);
        }
        const std::uint64_t newSize = payloads.SizeOf(i);
        toHash += payloads.IsDelta(i) ? destination.size : 0;
        toWrite += newSize;
        planned_.push_back({i,
                            std::move(*entry),
                            {destination.volume, destination.cluster, newSize,
                             destination.exists ? destination.size : 0}});
    }
    progress.Expect(toHash + toWrite);

    // The versions deltas need, the room, the installer's data, the memory.
    std::vector<PlannedWrite> space;
    std::vector<PackageResource> read;
    toWrite = 0;
    for (Planned& p : planned_) {
        const PayloadAction action = payloads.Check(p.number, p.entry, progress);
        if (action == PayloadAction::WrongVersion) {
            return messages::kWrongVersion + Quoted(outFiles_[p.number]);
        }
        if (action == PayloadAction::UpToDate) {
            continue;
        }
        p.write = true;
        space.push_back(p.room);
        toWrite += p.room.newSize;
        payloads.AddResourcesRead(p.number, read);
    }
    for (const auto& [volume, bytes] : SpaceNeeded(space)) {
        if (folder.FreeBytes(volume) < bytes) {
            return FailedBecause(messages::kNotEnoughSpace);
        }
    }
    if (!PackageDataIntact(read, progress, toWrite)) {
        return FailedBecause(messages::kInstallerDamaged);
    }
    for (const Planned& p : planned_) {
        if (p.write) {
            payloads.Prepare(p.number);
        }
    }
    progress.Expect(toWrite);
    return {};
}

} // namespace brisel
