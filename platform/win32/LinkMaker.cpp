#include "platform/win32/LinkMaker.h"

#include "platform/win32/Handles.h"

#include <aclapi.h>
#include <sddl.h>

namespace brisel::win32 {

namespace {

bool IsWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type) {
    BYTE buffer[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof buffer;
    return CreateWellKnownSid(type, nullptr, buffer, &size) && EqualSid(sid, buffer);
}

// NT SERVICE\TrustedInstaller, the owner of the system's own files.
bool IsInstallerService(PSID sid) {
    PSID service = nullptr;
    if (!ConvertStringSidToSidW(L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
                                &service)) {
        return false;
    }
    const LocalMemory owner(service);
    return EqualSid(sid, service) != 0;
}

} // namespace

LinkMaker MakerOf(HANDLE object) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
        return LinkMaker::Unknown;
    }
    const LocalMemory held(descriptor);
    if (owner == nullptr || !IsValidSid(owner)) {
        return LinkMaker::Unknown;
    }
    return IsWellKnown(owner, WinBuiltinAdministratorsSid) ||
                   IsWellKnown(owner, WinLocalSystemSid) || IsInstallerService(owner)
               ? LinkMaker::Administrator
               : LinkMaker::Other;
}

} // namespace brisel::win32
