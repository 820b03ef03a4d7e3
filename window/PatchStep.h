// The patch step behind Start. Everything that would make a file fail
// later is looked for before the first file is written: each entry's name,
// its payload, its folder and its file as the write will need it, the
// version a delta needs, the room on each drive, the installer's own data
// (against the checksums the tools recorded) and the memory the writes
// take. Only then are the files written, in list order; a failure that
// could not be foreseen still stops the step there, the files before it
// written.
#pragma once

#include "IFormView.h"
#include "core/AnsiString.h"
#include "core/WideString.h"
#include "package/PackageSums.h"
#include "support/TStringList.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace brisel {

class TPayloads;

namespace platform {
class GameFolder;
}

class PatchStep {
public:
    // outFiles: the "%OutFiles" lines; directory: the game folder.
    PatchStep(const TStringList& outFiles, const WideString& directory, IFormView& view);
    ~PatchStep();
    PatchStep(const PatchStep&) = delete;
    PatchStep& operator=(const PatchStep&) = delete;

    // Runs the step and returns the message that reports its outcome.
    String Run();

private:
    class Progress;
    struct Planned;

    // Everything before the first write; the message that stops the step,
    // or an empty one with the entries to write marked. A spoiled record or
    // stream raises EReadError.
    String CheckEverything(platform::GameFolder& folder, TPayloads& payloads, Progress& progress);
    // The installer's data that the writes read against the checksums the
    // tools recorded; true without checksums (written with --store).
    static bool PackageDataIntact(const std::vector<PackageResource>& read, Progress& progress,
                                  std::uint64_t toWrite);

    const TStringList& outFiles_;
    const WideString& directory_;
    IFormView& view_;
    std::vector<Planned> planned_; // the non-blank lines, in order
};

} // namespace brisel
