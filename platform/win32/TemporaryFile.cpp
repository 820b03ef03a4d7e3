#include "platform/win32/TemporaryFile.h"

#include "platform/win32/NtFiles.h"
#include "platform/win32/SystemLibrary.h"

#include <aclapi.h>
#include <sddl.h>

namespace brisel::win32 {

namespace {

constexpr std::size_t kRandomDigits = 16;

// The system's random generator (RtlGenRandom, advapi32's SystemFunction036).
bool RandomBytes(void* buffer, ULONG size) {
    using RtlGenRandomFn = BOOLEAN(WINAPI*)(PVOID, ULONG);
    static const RtlGenRandomFn generate = [] {
        RtlGenRandomFn found = nullptr;
        Resolve(LoadSystemLibrary(L"advapi32.dll"), "SystemFunction036", found);
        return found;
    }();
    return generate != nullptr && generate(buffer, size) != FALSE;
}

bool UnpredictableName(WideString& name) {
    unsigned char random[kRandomDigits / 2];
    if (!RandomBytes(random, sizeof random)) {
        return false;
    }
    name = u"~bp";
    for (const unsigned char byte : random) {
        name += u"0123456789abcdef"[byte >> 4];
        name += u"0123456789abcdef"[byte & 15];
    }
    name += u".tmp";
    return true;
}

bool IsTemporaryName(const WideString& name) {
    if (name.size() != 3 + kRandomDigits + 4 || name.compare(0, 3, u"~bp") != 0 ||
        name.compare(3 + kRandomDigits, 4, u".tmp") != 0) {
        return false;
    }
    for (std::size_t i = 3; i < 3 + kRandomDigits; ++i) {
        const char16_t c = name[i];
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'))) {
            return false;
        }
    }
    return true;
}

// Administrators and SYSTEM may do anything with it, no one else anything;
// protected, so that the folder passes nothing on to it meanwhile.
struct OnlyAdministrators {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    OnlyAdministrators() {
        ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;FA;;;BA)(A;;FA;;;SY)",
                                                             SDDL_REVISION_1, &descriptor, nullptr);
    }
    ~OnlyAdministrators() { LocalFree(descriptor); }
    OnlyAdministrators(const OnlyAdministrators&) = delete;
    OnlyAdministrators& operator=(const OnlyAdministrators&) = delete;
};

bool IsPlainFile(HANDLE file) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof tag) &&
           (tag.FileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) == 0 &&
           GetFileInformationByHandle(file, &info) && info.nNumberOfLinks == 1;
}

} // namespace

TemporaryFile::TemporaryFile(HANDLE folder) : folder_(folder) {
    const OnlyAdministrators security;
    if (security.descriptor == nullptr) {
        return;
    }
    RelativeOpen create;
    create.access = GENERIC_WRITE | DELETE | READ_CONTROL | WRITE_DAC | FILE_READ_ATTRIBUTES |
                    FILE_WRITE_ATTRIBUTES;
    create.share = 0;
    create.disposition = FILE_CREATE;
    create.options = FILE_NON_DIRECTORY_FILE;
    create.security = security.descriptor;
    WideString name;
    for (int attempt = 0; attempt < 8 && !handle_.Valid(); ++attempt) {
        NTSTATUS status = kStatusSuccess;
        if (!UnpredictableName(name)) {
            return;
        }
        handle_ = OpenRelative(folder, name, create, status);
        if (!handle_.Valid() && status != kStatusObjectNameCollision) {
            return;
        }
    }
    if (handle_.Valid() && !SetDeleteOnClose(handle_.Get(), true)) {
        // A file that would outlive a killed process is not taken: removed
        // now (the handle can still do it), and none is made.
        handle_.Close();
    }
}

bool TemporaryFile::RenameOver(const WideString& name, DWORD attributes) {
    // The access the folder passes on to its files, as the replaced file
    // had it, instead of the administrators' alone.
    ACL empty;
    if (!InitializeAcl(&empty, sizeof empty, ACL_REVISION) ||
        SetSecurityInfo(handle_.Get(), SE_FILE_OBJECT,
                        DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                        nullptr, &empty, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = attributes;
    SetFileInformationByHandle(handle_.Get(), FileBasicInfo, &basic, sizeof basic);
    if (!SetDeleteOnClose(handle_.Get(), false)) {
        return false;
    }
    if (RenameRelative(handle_.Get(), folder_, name, true) != kStatusSuccess) {
        SetDeleteOnClose(handle_.Get(), true);
        return false;
    }
    return true;
}

void RemoveLeftTemporaryFiles(HANDLE folder) {
    for (const WideString& name : ListFolder(folder, u"~bp*.tmp")) {
        if (!IsTemporaryName(name)) {
            continue;
        }
        RelativeOpen open;
        open.access = DELETE | FILE_READ_ATTRIBUTES;
        open.share = 0;
        open.options = FILE_OPEN_REPARSE_POINT | FILE_NON_DIRECTORY_FILE;
        NTSTATUS status = kStatusSuccess;
        const FileHandle file = OpenRelative(folder, name, open, status);
        if (file.Valid() && IsPlainFile(file.Get())) {
            SetDeleteOnClose(file.Get(), true);
        }
    }
}

} // namespace brisel::win32
