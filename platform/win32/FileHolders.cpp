#include "platform/win32/FileHolders.h"

#include "platform/win32/SystemLibrary.h"
#include "platform/win32/WideText.h"

#include <windows.h>

#include <restartmanager.h>

namespace brisel::win32 {

namespace {

struct RestartManager {
    decltype(&RmStartSession) start = nullptr;
    decltype(&RmRegisterResources) registerResources = nullptr;
    decltype(&RmGetList) getList = nullptr;
    decltype(&RmEndSession) end = nullptr;
};

const RestartManager& Functions() {
    static const RestartManager functions = [] {
        RestartManager found;
        const HMODULE module = LoadSystemLibrary(L"rstrtmgr.dll"); // stays loaded
        Resolve(module, "RmStartSession", found.start);
        Resolve(module, "RmRegisterResources", found.registerResources);
        Resolve(module, "RmGetList", found.getList);
        Resolve(module, "RmEndSession", found.end);
        return found;
    }();
    return functions;
}

} // namespace

std::vector<WideString> ProgramsHolding(const WideString& path) {
    std::vector<WideString> names;
    const RestartManager& rm = Functions();
    if (rm.start == nullptr || rm.registerResources == nullptr || rm.getList == nullptr ||
        rm.end == nullptr) {
        return names;
    }
    DWORD session = 0;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    if (rm.start(&session, 0, key) != ERROR_SUCCESS) {
        return names;
    }
    LPCWSTR files[] = {Wide(path)};
    UINT needed = 0, count = 8;
    RM_PROCESS_INFO found[8] = {};
    DWORD reasons = 0;
    if (rm.registerResources(session, 1, files, 0, nullptr, 0, nullptr) == ERROR_SUCCESS &&
        rm.getList(session, &needed, &count, found, &reasons) == ERROR_SUCCESS) {
        for (UINT i = 0; i < count; ++i) {
            names.push_back(FromWide(found[i].strAppName));
        }
    }
    rm.end(session);
    return names;
}

} // namespace brisel::win32
