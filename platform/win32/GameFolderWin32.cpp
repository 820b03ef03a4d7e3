// The game folder of a patch step on Windows. The folder is opened by its
// path once; every folder below it is opened by one name relative to its
// parent's handle (the native call, not a path), looked at without
// following a link, and held, without delete sharing, until the step ends:
// a folder on the way can then be neither renamed nor swapped for a link.
// A link on the way is passed only as core/LinkRule.h allows, whether the
// system shows it as a reparse point or only resolves the name elsewhere
// (the opened folder's final path is not its parent's and its name).
#include "platform/GameFolder.h"

#include "core/Exceptions.h"
#include "platform/win32/FileHolders.h"
#include "platform/win32/FileReaderWin32.h"
#include "platform/win32/LinkMaker.h"
#include "platform/win32/LongPath.h"
#include "platform/win32/NtFiles.h"
#include "platform/win32/TemporaryFile.h"
#include "platform/win32/WideText.h"

#include <algorithm>
#include <forward_list>
#include <new>
#include <string_view>

namespace brisel::platform {

namespace {

using win32::FileHandle;
using win32::RelativeOpen;

constexpr std::size_t kWriteBlock = std::size_t{1} << 20;
// The folder access the walk needs: its names, and passing through.
constexpr ACCESS_MASK kFolderAccess =
    FILE_TRAVERSE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | READ_CONTROL;
// The old file's attributes that the new one keeps.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The path the system gives the open object, without the long form's
// prefix; empty where it gives none.
WideString FinalPath(HANDLE object) {
    WideString path(1024, u'\0');
    DWORD length =
        GetFinalPathNameByHandleW(object, win32::Wide(path), static_cast<DWORD>(path.size()), 0);
    if (length >= path.size()) {
        path.assign(length + 1, u'\0');
        length = GetFinalPathNameByHandleW(object, win32::Wide(path),
                                           static_cast<DWORD>(path.size()), 0);
    }
    if (length == 0 || length >= path.size()) {
        return {};
    }
    path.resize(length);
    if (path.compare(0, 8, u"\\\\?\\UNC\\") == 0) {
        path.erase(2, 6); // "\\server\share\..."
    } else if (path.compare(0, 4, u"\\\\?\\") == 0) {
        path.erase(0, 4);
    }
    return path;
}

bool SameText(std::u16string_view a, std::u16string_view b) {
    return CompareStringOrdinal(reinterpret_cast<const wchar_t*>(a.data()),
                                static_cast<int>(a.size()),
                                reinterpret_cast<const wchar_t*>(b.data()),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool IsInside(const WideString& path, const WideString& folder) {
    return !folder.empty() && path.size() > folder.size() + 1 && path[folder.size()] == u'\\' &&
           SameText(std::u16string_view(path).substr(0, folder.size()), folder);
}

// The path of name inside folder: "folder\name".
WideString PathIn(const WideString& folder, const WideString& name) {
    WideString path = folder;
    path += u'\\';
    path += name;
    return path;
}

FILE_ATTRIBUTE_TAG_INFO TagOf(HANDLE object) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!GetFileInformationByHandleEx(object, FileAttributeTagInfo, &tag, sizeof tag)) {
        tag.FileAttributes = INVALID_FILE_ATTRIBUTES;
    }
    return tag;
}

bool IsLink(const FILE_ATTRIBUTE_TAG_INFO& tag) {
    return tag.FileAttributes != INVALID_FILE_ATTRIBUTES &&
           (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           IsReparseTagNameSurrogate(tag.ReparseTag);
}

// The serial number of the volume the object is on; 0 where the system
// does not tell.
std::uint64_t VolumeOf(HANDLE object) {
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileInformationByHandle(object, &info) ? info.dwVolumeSerialNumber : 0;
}

DWORD LinkCount(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileInformationByHandle(file, &info) ? info.nNumberOfLinks : 0;
}

WideString Joined(const EntryPath& entry) {
    WideString path;
    for (const WideString& name : entry) {
        if (!path.empty()) {
            path += u'\\';
        }
        path += name;
    }
    return path;
}

// What has a file's name in a folder, looked at without following a link.
struct NameFacts {
    bool exists = false;
    bool folder = false;
    // A link, a file with other names, or a name resolved elsewhere: never
    // written through, only replaced.
    bool replaceOnly = false;
    DWORD attributes = 0;
    std::uint64_t size = 0;
};

class Win32GameFolder final : public GameFolder {
public:
    Win32GameFolder(FileHandle root, WideString rootPath, std::unique_ptr<char[]> buffer)
        : rootPath_(std::move(rootPath)), buffer_(std::move(buffer)) {
        win32::RemoveLeftTemporaryFiles(root.Get());
        const std::uint64_t volume = VolumeOf(root.Get());
        folders_.push_front({{}, {std::move(root), rootPath_, volume}});
        root_ = &folders_.front().folder;
    }

    EntryCheck Check(const EntryPath& entry) override {
        EntryCheck check;
        const Folder* folder = Reach(entry, check.problem);
        if (folder == nullptr) {
            return check;
        }
        check.volume = folder->volume;
        DWORD sectors = 0, bytes = 0, free = 0, total = 0;
        if (GetDiskFreeSpaceW(win32::Wide(Root(folder->path)), &sectors, &bytes, &free, &total)) {
            check.cluster = std::uint64_t{sectors} * bytes;
        }
        const NameFacts facts = Look(*folder, entry.back());
        check.exists = facts.exists;
        check.size = facts.size;
        if (!facts.exists) {
            return check;
        }
        if (facts.folder) {
            check.problem = EntryProblem::NotAFile;
            return check;
        }
        // The system refuses to replace a read-only file; said here even
        // where it would not (an administrator's rights on some systems).
        if ((facts.attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            check.problem = EntryProblem::Refused;
            return check;
        }
        // As the write will need it: for writing, without sharing.
        RelativeOpen write;
        write.access = GENERIC_READ | GENERIC_WRITE | DELETE;
        write.share = 0;
        write.options = FILE_OPEN_REPARSE_POINT | FILE_NON_DIRECTORY_FILE;
        NTSTATUS status = win32::kStatusSuccess;
        const FileHandle file =
            win32::OpenRelative(folder->handle.Get(), entry.back(), write, status);
        if (file.Valid()) {
            return check;
        }
        if (status == win32::kStatusSharingViolation) {
            check.problem = EntryProblem::InUse;
            check.holders = win32::ProgramsHolding(PathIn(folder->path, entry.back()));
        } else {
            check.problem = EntryProblem::Refused;
        }
        return check;
    }

    // Asked of a folder reached on the volume.
    std::uint64_t FreeBytes(std::uint64_t volume) override {
        const auto found =
            std::find_if(folders_.begin(), folders_.end(),
                         [&](const Reached& reached) { return reached.folder.volume == volume; });
        ULARGE_INTEGER free{};
        if (found == folders_.end() ||
            !GetDiskFreeSpaceExW(win32::Wide(win32::LongPathForm(found->folder.path + u"\\")),
                                 &free, nullptr, nullptr)) {
            return 0;
        }
        return free.QuadPart;
    }

    std::unique_ptr<FileReader> OpenForReading(const EntryPath& entry) override {
        EntryProblem problem = EntryProblem::None;
        const Folder* folder = Reach(entry, problem);
        if (folder == nullptr) {
            return nullptr;
        }
        RelativeOpen read;
        read.access = GENERIC_READ;
        read.share = FILE_SHARE_READ;
        read.options = FILE_OPEN_REPARSE_POINT | FILE_NON_DIRECTORY_FILE | FILE_SEQUENTIAL_ONLY;
        NTSTATUS status = win32::kStatusSuccess;
        FileHandle file = win32::OpenRelative(folder->handle.Get(), entry.back(), read, status);
        if (!file.Valid() || IsLink(TagOf(file.Get())) ||
            !Passable(file.Get(), *folder, entry.back())) {
            return nullptr;
        }
        return win32::ReaderOf(std::move(file));
    }

    void Write(const EntryPath& entry, FileContent& content) override {
        EntryProblem problem = EntryProblem::None;
        const Folder* folder = Reach(entry, problem);
        if (folder == nullptr) {
            Fail(entry);
        }
        const NameFacts facts = Look(*folder, entry.back());
        if (facts.folder || (facts.attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            Fail(entry);
        }
        win32::TemporaryFile temp(folder->handle.Get());
        if (!temp.Created()) {
            if (!content.MayWriteInPlace() || facts.replaceOnly) {
                Fail(entry);
            }
            WriteInPlace(*folder, entry, content);
            return;
        }
        const DWORD attributes = (facts.attributes & kKeptAttributes) | FILE_ATTRIBUTE_ARCHIVE;
        if (!WriteBytes(temp.Get(), content) || !content.Verified() ||
            !FlushFileBuffers(temp.Get()) || !temp.RenameOver(entry.back(), attributes)) {
            Fail(entry);
        }
    }

private:
    struct Folder {
        FileHandle handle;
        WideString path;          // as the system gives it; empty where it gives none
        std::uint64_t volume = 0; // the serial number of its volume
    };

    [[noreturn]] static void Fail(const EntryPath& entry) {
        throw EFileWriteError::CannotCreate(Joined(entry));
    }

    // "C:\" of "C:\Games\X", "\\server\share\" of a share's path.
    static WideString Root(const WideString& path) {
        std::size_t end = path.find(u'\\');
        if (path.compare(0, 2, u"\\\\") == 0) {
            end = path.find(u'\\', path.find(u'\\', 2) + 1);
        }
        return end == WideString::npos ? path + u"\\" : path.substr(0, end + 1);
    }

    // The path of the object opened at name in folder where the system
    // resolved the name elsewhere; empty where it did not, or gives no path
    // to compare.
    static WideString ElsewherePath(HANDLE object, const Folder& folder, const WideString& name) {
        WideString path = FinalPath(object);
        if (folder.path.empty() || SameText(path, PathIn(folder.path, name))) {
            path.clear();
        }
        return path;
    }

    // Whether the object opened at name in folder may be used: where the
    // system resolved the name elsewhere, only as a link of unknown maker.
    bool Passable(HANDLE object, const Folder& folder, const WideString& name) const {
        const WideString elsewhere = ElsewherePath(object, folder, name);
        return elsewhere.empty() || MayPassLink(LinkMaker::Unknown, IsInside(elsewhere, rootPath_));
    }

    // The folder of the entry's file, opened name by name; null when a
    // folder on the way is missing or may not be passed (problem says).
    const Folder* Reach(const EntryPath& entry, EntryProblem& problem) {
        WideString names; // of the folders so far, each followed by "\"
        const Folder* parent = root_;
        for (std::size_t i = 0; i + 1 < entry.size(); ++i) {
            names += entry[i];
            names += u'\\';
            const auto known =
                std::find_if(folders_.begin(), folders_.end(),
                             [&](const Reached& reached) { return reached.names == names; });
            if (known != folders_.end()) {
                parent = &known->folder;
                continue;
            }
            Folder folder;
            problem = OpenFolder(*parent, entry[i], folder);
            if (problem != EntryProblem::None) {
                return nullptr;
            }
            win32::RemoveLeftTemporaryFiles(folder.handle.Get());
            folders_.push_front({names, std::move(folder)});
            parent = &folders_.front().folder;
        }
        return parent;
    }

    EntryProblem OpenFolder(const Folder& parent, const WideString& name, Folder& folder) const {
        RelativeOpen look;
        look.access = kFolderAccess;
        look.options = FILE_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT;
        NTSTATUS status = win32::kStatusSuccess;
        FileHandle opened = win32::OpenRelative(parent.handle.Get(), name, look, status);
        if (!opened.Valid()) {
            return status == win32::kStatusAccessDenied ? EntryProblem::Refused
                                                        : EntryProblem::FolderMissing;
        }
        const FILE_ATTRIBUTE_TAG_INFO tag = TagOf(opened.Get());
        if (tag.FileAttributes != INVALID_FILE_ATTRIBUTES &&
            (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            // Followed to where it leads; a link that is not the player's
            // and leads out of the game folder stops the walk.
            const LinkMaker maker = IsLink(tag) ? win32::MakerOf(opened.Get()) : LinkMaker::Unknown;
            look.options = FILE_DIRECTORY_FILE;
            FileHandle target = win32::OpenRelative(parent.handle.Get(), name, look, status);
            if (!target.Valid()) {
                return EntryProblem::FolderMissing;
            }
            if (IsLink(tag) && !MayPassLink(maker, IsInside(FinalPath(target.Get()), rootPath_))) {
                return EntryProblem::LinkRefused;
            }
            opened = std::move(target);
        } else if (!Passable(opened.Get(), parent, name)) {
            return EntryProblem::LinkRefused;
        }
        folder.path = FinalPath(opened.Get());
        folder.volume = VolumeOf(opened.Get());
        folder.handle = std::move(opened);
        return EntryProblem::None;
    }

    static NameFacts Look(const Folder& folder, const WideString& name) {
        NameFacts facts;
        RelativeOpen look;
        look.access = FILE_READ_ATTRIBUTES | READ_CONTROL;
        look.share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        look.options = FILE_OPEN_REPARSE_POINT;
        NTSTATUS status = win32::kStatusSuccess;
        const FileHandle file = win32::OpenRelative(folder.handle.Get(), name, look, status);
        if (!file.Valid()) {
            facts.exists = status != win32::kStatusObjectNameNotFound;
            return facts; // absent, or refused: the write finds out
        }
        facts.exists = true;
        const FILE_ATTRIBUTE_TAG_INFO tag = TagOf(file.Get());
        facts.attributes = tag.FileAttributes == INVALID_FILE_ATTRIBUTES ? 0 : tag.FileAttributes;
        facts.folder = (facts.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        facts.replaceOnly = IsLink(tag) || LinkCount(file.Get()) != 1 ||
                            !ElsewherePath(file.Get(), folder, name).empty();
        FILE_STANDARD_INFO standard{};
        if (GetFileInformationByHandleEx(file.Get(), FileStandardInfo, &standard,
                                         sizeof standard)) {
            facts.size = static_cast<std::uint64_t>(standard.EndOfFile.QuadPart);
        }
        return facts;
    }

    // Writes the whole content; false on any error, short write or content
    // that cannot be read.
    bool WriteBytes(HANDLE file, FileContent& content) {
        const std::uint64_t size = content.Size();
        for (std::uint64_t done = 0; done < size;) {
            const std::uint64_t left = size - done;
            const DWORD block = static_cast<DWORD>(left < kWriteBlock ? left : kWriteBlock);
            if (!content.Read(buffer_.get(), block)) {
                return false;
            }
            DWORD written = 0;
            if (!WriteFile(file, buffer_.get(), block, &written, nullptr) || written != block) {
                return false;
            }
            done += block;
        }
        return true;
    }

    // The plain write, where no temporary file can be made: through a
    // handle of the file itself, opened without following a link and
    // checked to be a file with no other name, created or truncated,
    // written whole and flushed.
    void WriteInPlace(const Folder& folder, const EntryPath& entry, FileContent& content) {
        RelativeOpen write;
        write.access = GENERIC_READ | GENERIC_WRITE;
        write.share = 0;
        write.disposition = FILE_OPEN_IF;
        write.options = FILE_OPEN_REPARSE_POINT | FILE_NON_DIRECTORY_FILE;
        NTSTATUS status = win32::kStatusSuccess;
        FileHandle file = win32::OpenRelative(folder.handle.Get(), entry.back(), write, status);
        FILE_END_OF_FILE_INFO end{};
        if (!file.Valid() || IsLink(TagOf(file.Get())) || LinkCount(file.Get()) != 1 ||
            !Passable(file.Get(), folder, entry.back()) ||
            !SetFileInformationByHandle(file.Get(), FileEndOfFileInfo, &end, sizeof end) ||
            !WriteBytes(file.Get(), content) || !content.Verified() ||
            !FlushFileBuffers(file.Get()) || !file.Close()) {
            Fail(entry);
        }
    }

    WideString rootPath_;
    std::unique_ptr<char[]> buffer_; // the 1 MiB every write goes through
    // The folders reached, the latest first, by their names below the game
    // folder (searched in turn: a patch reaches few); a list, so that each
    // stays where it was made, for the walk's pointers.
    struct Reached {
        WideString names; // "Data\Maps\", the game folder's own ""
        Folder folder;
    };
    std::forward_list<Reached> folders_;
    const Folder* root_ = nullptr; // the game folder's own, the list's last
};

} // namespace

std::unique_ptr<GameFolder> OpenGameFolder(const WideString& path) {
    FileHandle root(CreateFileW(win32::Wide(win32::LongPathForm(path)), kFolderAccess | SYNCHRONIZE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    // The buffer is had now, before anything is written.
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kWriteBlock]);
    if (!root.Valid() || buffer == nullptr) {
        throw EFileWriteError::CannotCreate(path);
    }
    WideString rootPath = FinalPath(root.Get());
    return std::make_unique<Win32GameFolder>(std::move(root), std::move(rootPath),
                                             std::move(buffer));
}

} // namespace brisel::platform
