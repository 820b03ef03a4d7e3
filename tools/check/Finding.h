// One thing the package check found: what it is, where, and the texts that
// fill in its message. Rendered as one line in the form compilers use.
#pragma once

#include <string>
#include <vector>

namespace brisel::tools {

// A note tells what patchpack did; it never stops a build, not even under
// --strict.
enum class Severity { Note, Warning, Error };

enum class MessageId {
    // The package's own files.
    ScriptMissing,
    PackageFileNotFile,
    PackageFileOutside,
    BackgroundMissing,
    BackgroundNotBitmap,
    BackgroundTruncated,
    BackgroundLarger,
    BackgroundSmaller,
    BackgroundMixed,
    BackgroundTwice,
    BackgroundWrongFormat,
    BackgroundGif,
    BackgroundUndecodable,
    BackgroundConverted,
    BackgroundConvertedTranslucent,
    // A package file or files/ under a name close to its own.
    PackageFileMisnamed,
    PackageFileDoubledExtension,
    // How the script is saved.
    ScriptConverted,
    ScriptUnconvertible,
    ScriptMalformed,
    ScriptUtf16,
    ScriptNotText,
    ScriptAlsoUtf8,
    ScriptNotShiftJis,
    ScriptNul,
    ScriptDoubledLineEnd,
    // The keys the installer reads.
    LinkPathAbsent,
    LinkPathEmpty,
    LinkPathBlank,
    OutFilesAbsent,
    OutFilesEmpty,
    PatchTypeAbsent,
    PatchTypeOther,
    PatchTypeNotNumber,
    CheckTargetAbsent,
    CheckTargetEmpty,
    KeySpaces,
    KeyNearMiss,
    SectionRunsOver,
    DuplicateKey,
    // "%OutFiles" entries.
    EntryAbsolute,
    EntryParentStep,
    EntryColon,
    EntryTrailingDotOrSpace,
    EntryForbiddenCharacter,
    EntryDeviceName,
    EntryNamesFolder,
    EntryTooLong,
    DuplicateEntry,
    SubFolder,
    // Payload files.
    PayloadMissing,
    PayloadMissingCase,
    PayloadFolder,
    PayloadNotFile,
    PayloadOutside,
    PayloadNameTooLong,
    UnusedFile,
    PayloadFolderMissing,
    PayloadsAtTopLevel,
    // Folders of previous versions.
    PreviousPackageLayout,
    PreviousIsNewVersion,
    PreviousFileUnchanged,
    PreviousNothingFound,
    // Where a build writes.
    OutputInPackage,
    OutputFolderMissing,
};

struct Finding {
    MessageId id;
    std::string file; // "script.txt", "files/a.dat", "previous/a.dat", or an output's path
    int line = 0;     // 1-based line in script.txt; 0 for none
    std::vector<std::string> args; // UTF-8 texts for the message's {1}, {2} ...
};

} // namespace brisel::tools
