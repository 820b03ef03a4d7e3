// The shell services on Win32. The opaque objects of platform/Shell.h are
// the COM interface pointers and item-id lists themselves.
#include "platform/Shell.h"

#include "platform/win32/Shell32.h"

#include <windows.h>

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace brisel::platform {

static_assert(kMaxPath == MAX_PATH);
static_assert(kCsidlPrograms == CSIDL_PROGRAMS && kCsidlCommonPrograms == CSIDL_COMMON_PROGRAMS);
static_assert(kStgmRead == STGM_READ);
static_assert(sizeof(char16_t) == sizeof(wchar_t) && sizeof(char16_t) == sizeof(OLECHAR));

namespace {

// The identities are spelled out here so that no import library of GUIDs is
// needed.
const CLSID kClsidShellLink = {
    0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIidShellLinkA = {
    0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIidPersistFile = {
    0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

IMalloc* AsMalloc(ShellAllocatorObject* allocator) {
    return reinterpret_cast<IMalloc*>(allocator);
}
IShellLinkA* AsLink(ShellLinkObject* link) {
    return reinterpret_cast<IShellLinkA*>(link);
}
IPersistFile* AsFile(PersistFileObject* file) {
    return reinterpret_cast<IPersistFile*>(file);
}
PCIDLIST_ABSOLUTE AsList(const ItemIdListObject* list) {
    return reinterpret_cast<PCIDLIST_ABSOLUTE>(list);
}

} // namespace

bool GetShellAllocator(ShellAllocatorObject*& allocator) {
    IMalloc* malloc = nullptr;
    const auto getMalloc = Shell32().GetMalloc;
    if (getMalloc == nullptr || getMalloc(&malloc) != S_OK || malloc == nullptr) {
        return false;
    }
    allocator = reinterpret_cast<ShellAllocatorObject*>(malloc);
    return true;
}

void ReleaseShellAllocator(ShellAllocatorObject* allocator) {
    AsMalloc(allocator)->Release();
}

bool GetSpecialFolderLocation(int csidl, ItemIdListObject*& list) {
    PIDLIST_ABSOLUTE found = nullptr;
    const auto getLocation = Shell32().GetSpecialFolderLocation;
    if (getLocation == nullptr || getLocation(GetDesktopWindow(), csidl, &found) != S_OK ||
        found == nullptr) {
        return false;
    }
    list = reinterpret_cast<ItemIdListObject*>(found);
    return true;
}

bool GetPathFromItemIdList(const ItemIdListObject* list, char (&path)[kMaxPath]) {
    const auto getPath = Shell32().GetPathFromIDListA;
    return getPath != nullptr && getPath(AsList(list), path) != FALSE;
}

void FreeItemIdList(ShellAllocatorObject* allocator, ItemIdListObject* list) {
    AsMalloc(allocator)->Free(list);
}

ComResult InitializeCom() {
    return CoInitialize(nullptr);
}

void UninitializeCom() {
    CoUninitialize();
}

bool CreateShellLink(ShellLinkObject*& link) {
    void* created = nullptr;
    if (CoCreateInstance(kClsidShellLink, nullptr, CLSCTX_INPROC_SERVER, kIidShellLinkA,
                         &created) != S_OK ||
        created == nullptr) {
        return false;
    }
    link = static_cast<ShellLinkObject*>(created);
    return true;
}

void ReleaseShellLink(ShellLinkObject* link) {
    AsLink(link)->Release();
}

bool QueryPersistFile(ShellLinkObject* link, PersistFileObject*& file) {
    void* found = nullptr;
    if (AsLink(link)->QueryInterface(kIidPersistFile, &found) != S_OK || found == nullptr) {
        return false;
    }
    file = static_cast<PersistFileObject*>(found);
    return true;
}

void ReleasePersistFile(PersistFileObject* file) {
    AsFile(file)->Release();
}

ComResult LoadPersistFile(PersistFileObject* file, const char16_t* path, unsigned mode) {
    return AsFile(file)->Load(reinterpret_cast<LPCOLESTR>(path), mode);
}

void GetShellLinkPath(ShellLinkObject* link, char (&target)[kMaxPath]) {
    WIN32_FIND_DATAA unused{};
    AsLink(link)->GetPath(target, static_cast<int>(kMaxPath), &unused, SLGP_UNCPRIORITY);
}

int AnsiToUtf16(const char* text, char16_t* buffer, int units) {
    if (text == nullptr) {
        return 0;
    }
    return MultiByteToWideChar(CP_ACP, 0, text, -1, reinterpret_cast<wchar_t*>(buffer), units);
}

} // namespace brisel::platform
