// The game folder of one patch step. It is opened once and held until the
// step ends, so that it can be neither renamed nor removed meanwhile, and
// every folder, file and temporary file of the step is reached from it one
// name at a time, never through a link that a standard user could have
// made to a place outside it (core/LinkRule.h; docs/ARCHITECTURE.md,
// "Writing into the game folder").
#pragma once

#include "core/EntryPath.h"
#include "core/WideString.h"
#include "platform/FileReader.h"
#include "platform/Files.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace brisel::platform {

// Why an entry cannot be written, as the check before writing finds it.
enum class EntryProblem {
    None,
    FolderMissing, // a folder on the way does not exist (none is made)
    LinkRefused,   // a link on the way that the installer may not pass
    InUse,         // another program holds the file
    Refused,       // read-only, or the system refuses to write it
    NotAFile       // a folder, or something else that is no file, has its name
};

struct EntryCheck {
    EntryProblem problem = EntryProblem::None;
    bool exists = false;
    std::uint64_t size = 0;          // of the file there now
    std::uint64_t volume = 0;        // the drive the file is written on
    std::uint64_t cluster = 4096;    // that drive's unit of allocation
    std::vector<WideString> holders; // programs holding it, where the system tells
};

class GameFolder {
public:
    virtual ~GameFolder() = default;

    // Reaches the entry's folder and looks at its file as the write will
    // need it (opened for writing without sharing, then closed), writing
    // nothing. Temporary files that an earlier, killed run left in that
    // folder are removed on the way.
    virtual EntryCheck Check(const EntryPath& entry) = 0;

    // The bytes free for the installer on a volume that Check named.
    virtual std::uint64_t FreeBytes(std::uint64_t volume) = 0;

    // The entry's file for reading, reached as writes are; null when it is
    // absent, refused or lies behind a link the installer may not pass.
    virtual std::unique_ptr<FileReader> OpenForReading(const EntryPath& entry) = 0;

    // Writes content as the entry's whole new content without ever leaving
    // the file truncated or half written: a new temporary file in the same
    // folder, which only administrators can open and which vanishes with
    // the process, takes the bytes; complete, flushed and verified, it is
    // renamed over the file by its handle (so a link or a hard link at the
    // file's name is replaced, never written through). Where no temporary
    // file can be made, content that may be written in place is, through a
    // handle of the file checked to be no link. Any failure raises
    // EFileWriteError and leaves the old file as it was.
    virtual void Write(const EntryPath& entry, FileContent& content) = 0;
};

// Opens the game folder at path for a patch step; raises EFileWriteError
// when it cannot be opened.
std::unique_ptr<GameFolder> OpenGameFolder(const WideString& path);

} // namespace brisel::platform
