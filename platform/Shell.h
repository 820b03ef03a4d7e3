// Shell services: the file-system paths of special folders, the COM
// apartment of the calling thread, and the shell-link object that reads a
// shortcut file. Every object obtained here has exactly one owner, one of
// the classes at the end of this header, which releases it on every path.
#pragma once

#include <cstddef>
#include <cstdint>

namespace brisel::platform {

constexpr std::size_t kMaxPath = 260;

// Shell special-folder numbers.
constexpr int kCsidlPrograms = 0x02;       // the current user's Programs folder
constexpr int kCsidlCommonPrograms = 0x17; // the all-users Programs folder

// Result codes of the COM calls.
using ComResult = std::int32_t;
constexpr ComResult kSOk = 0;
constexpr ComResult kSFalse = 1;
constexpr ComResult kEFail = static_cast<ComResult>(0x80004005);

// Storage mode of a read-only load.
constexpr unsigned kStgmRead = 0;

// Opaque shell objects.
struct ShellAllocatorObject;
struct ItemIdListObject;
struct ShellLinkObject;
struct PersistFileObject;

// The shell's allocator; false when the shell has none to give.
bool GetShellAllocator(ShellAllocatorObject*& allocator);
void ReleaseShellAllocator(ShellAllocatorObject* allocator);

// The item-id list of a special folder, owned by the desktop window; false
// when the system does not know the folder.
bool GetSpecialFolderLocation(int csidl, ItemIdListObject*& list);
// The file-system path of list, zero-terminated; false when the folder is
// not in the file system.
bool GetPathFromItemIdList(const ItemIdListObject* list, char (&path)[kMaxPath]);
// Frees list with the allocator that the shell hands out.
void FreeItemIdList(ShellAllocatorObject* allocator, ItemIdListObject* list);

// Initialises COM (apartment-threaded) on the calling thread; the result is
// returned for the record only.
ComResult InitializeCom();
void UninitializeCom();

// A new in-process shell-link object; false when it cannot be created.
bool CreateShellLink(ShellLinkObject*& link);
void ReleaseShellLink(ShellLinkObject* link);
// The persistence interface of link; false when it has none.
bool QueryPersistFile(ShellLinkObject* link, PersistFileObject*& file);
void ReleasePersistFile(PersistFileObject* file);
// Loads the file at path (zero-terminated UTF-16) into the object.
ComResult LoadPersistFile(PersistFileObject* file, const char16_t* path, unsigned mode);
// Writes the link's target path into target, preferring a UNC path; the
// result of the call is not reported.
void GetShellLinkPath(ShellLinkObject* link, char (&target)[kMaxPath]);

// Converts the zero-terminated text of the ANSI code page to UTF-16 in
// buffer, terminator included. Returns the units written, or 0 when the
// text with its terminator does not fit into units (buffer then holds
// nothing usable) or cannot be converted.
int AnsiToUtf16(const char* text, char16_t* buffer, int units);

// Owns one shell object and releases it exactly once.
template <typename Object, void (*Release)(Object*)> class ShellObject {
public:
    ShellObject() = default;
    ~ShellObject() { Reset(); }
    ShellObject(const ShellObject&) = delete;
    ShellObject& operator=(const ShellObject&) = delete;

    Object* Get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    // Releases what is held and returns the empty slot, to be filled by a call
    // that hands out a new object.
    Object*& Receive() {
        Reset();
        return object_;
    }
    void Reset() {
        if (object_ != nullptr) {
            Object* object = object_;
            object_ = nullptr;
            Release(object);
        }
    }

private:
    Object* object_ = nullptr;
};

using ShellAllocator = ShellObject<ShellAllocatorObject, ReleaseShellAllocator>;
using ShellLink = ShellObject<ShellLinkObject, ReleaseShellLink>;
using PersistFile = ShellObject<PersistFileObject, ReleasePersistFile>;

// Owns an item-id list and frees it with the allocator that must outlive it.
class ItemIdList {
public:
    explicit ItemIdList(const ShellAllocator& allocator) : allocator_(allocator) {}
    ~ItemIdList() { Reset(); }
    ItemIdList(const ItemIdList&) = delete;
    ItemIdList& operator=(const ItemIdList&) = delete;

    const ItemIdListObject* Get() const { return list_; }
    ItemIdListObject*& Receive() {
        Reset();
        return list_;
    }
    void Reset() {
        if (list_ != nullptr) {
            ItemIdListObject* list = list_;
            list_ = nullptr;
            FreeItemIdList(allocator_.Get(), list);
        }
    }

private:
    const ShellAllocator& allocator_;
    ItemIdListObject* list_ = nullptr;
};

// COM on the calling thread for the life of the object: initialised once
// when it is created and uninitialised once when it is destroyed, whatever
// the initialisation returned.
class ComApartment {
public:
    ComApartment() { InitializeCom(); }
    ~ComApartment() { UninitializeCom(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
};

} // namespace brisel::platform
