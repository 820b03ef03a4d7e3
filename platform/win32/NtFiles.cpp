#include "platform/win32/NtFiles.h"

#include "platform/win32/WideText.h"

#include <cstring>
#include <utility>

namespace brisel::win32 {

namespace {

using NtCreateFileFn = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                        PLARGE_INTEGER, ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using NtSetInformationFileFn = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG,
                                                FILE_INFORMATION_CLASS);
using NtQueryDirectoryFileFn = NTSTATUS(NTAPI*)(HANDLE, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK,
                                                PVOID, ULONG, FILE_INFORMATION_CLASS, BOOLEAN,
                                                PUNICODE_STRING, BOOLEAN);

struct NtFunctions {
    NtCreateFileFn create = nullptr;
    NtSetInformationFileFn setInformation = nullptr;
    NtQueryDirectoryFileFn queryDirectory = nullptr;
};

template <typename Function> Function Find(HMODULE module, const char* name) {
    return module == nullptr
               ? nullptr
               : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

const NtFunctions& Nt() {
    static const NtFunctions functions = [] {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        NtFunctions found;
        found.create = Find<NtCreateFileFn>(ntdll, "NtCreateFile");
        found.setInformation = Find<NtSetInformationFileFn>(ntdll, "NtSetInformationFile");
        found.queryDirectory = Find<NtQueryDirectoryFileFn>(ntdll, "NtQueryDirectoryFile");
        return found;
    }();
    return functions;
}

// A counted string over text, which must outlive it.
UNICODE_STRING Counted(const WideString& text) {
    UNICODE_STRING counted;
    counted.Buffer = const_cast<PWSTR>(Wide(text));
    counted.Length = static_cast<USHORT>(text.size() * sizeof(wchar_t));
    counted.MaximumLength = counted.Length;
    return counted;
}

constexpr FILE_INFORMATION_CLASS kFileNamesInformation = static_cast<FILE_INFORMATION_CLASS>(12);

} // namespace

FileHandle OpenRelative(HANDLE folder, const WideString& name, const RelativeOpen& how,
                        NTSTATUS& status) {
    FileHandle file;
    // A name longer than a counted string holds is none the system has.
    if (Nt().create == nullptr || name.size() > 0x7FFF / sizeof(wchar_t)) {
        status = kStatusProcedureNotFound;
        return file;
    }
    UNICODE_STRING counted = Counted(name);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &counted, OBJ_CASE_INSENSITIVE, folder, how.security);
    IO_STATUS_BLOCK io{};
    HANDLE opened = nullptr;
    status = Nt().create(&opened, how.access | SYNCHRONIZE, &attributes, &io, nullptr,
                         FILE_ATTRIBUTE_NORMAL, how.share, how.disposition,
                         how.options | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    if (status == kStatusSuccess) {
        file.Reset(opened);
    }
    return file;
}

NTSTATUS RenameRelative(HANDLE file, HANDLE folder, const WideString& name, bool replace) {
    if (Nt().setInformation == nullptr) {
        return kStatusProcedureNotFound;
    }
    const std::size_t bytes = name.size() * sizeof(wchar_t);
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFORMATION) + bytes);
    auto* rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(buffer.data());
    rename->ReplaceIfExists = replace ? TRUE : FALSE;
    rename->RootDirectory = folder;
    rename->FileNameLength = static_cast<ULONG>(bytes);
    std::memcpy(rename->FileName, name.data(), bytes);
    IO_STATUS_BLOCK io{};
    return Nt().setInformation(file, &io, rename, static_cast<ULONG>(buffer.size()),
                               FileRenameInformation);
}

std::vector<WideString> ListFolder(HANDLE folder, const WideString& pattern) {
    std::vector<WideString> names;
    if (Nt().queryDirectory == nullptr) {
        return names;
    }
    UNICODE_STRING mask = Counted(pattern);
    // FILE_NAMES_INFORMATION records: next offset, index, length, name.
    alignas(8) unsigned char buffer[4096];
    for (bool first = true;; first = false) {
        IO_STATUS_BLOCK io{};
        const NTSTATUS status = Nt().queryDirectory(folder, nullptr, nullptr, nullptr, &io, buffer,
                                                    sizeof buffer, kFileNamesInformation, FALSE,
                                                    first ? &mask : nullptr, first ? TRUE : FALSE);
        if (status != kStatusSuccess) {
            return names; // no more names, or none to list
        }
        for (std::size_t at = 0;;) {
            ULONG next = 0, length = 0;
            std::memcpy(&next, buffer + at, sizeof next);
            std::memcpy(&length, buffer + at + 2 * sizeof(ULONG), sizeof length);
            WideString name(length / sizeof(char16_t), u'\0');
            std::memcpy(name.data(), buffer + at + 3 * sizeof(ULONG), length);
            names.push_back(std::move(name));
            if (next == 0) {
                break;
            }
            at += next;
        }
    }
}

bool SetDeleteOnClose(HANDLE file, bool remove) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = remove ? TRUE : FALSE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof disposition) != 0;
}

} // namespace brisel::win32
