// Owners of the Win32 handles the program holds, each a UniqueHandle with
// the function that closes its kind.
#pragma once

#include "core/UniqueHandle.h"

#include <windows.h>

namespace brisel::win32 {

struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Close(Handle handle) { return CloseHandle(handle) != 0; }
};
// A kernel file handle (CreateFile).
using FileHandle = UniqueHandle<FileHandleTraits>;

struct KernelObjectTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static bool Close(Handle handle) { return CloseHandle(handle) != 0; }
};
// An event or a thread (CreateEvent, CreateThread), null when none was made.
using KernelObject = UniqueHandle<KernelObjectTraits>;

struct FileSearchTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Close(Handle handle) { return FindClose(handle) != 0; }
};
// A file search (FindFirstFile).
using FileSearch = UniqueHandle<FileSearchTraits>;

template <typename Object> struct GdiObjectTraits {
    using Handle = Object;
    static Handle Invalid() { return nullptr; }
    static bool Close(Handle handle) { return DeleteObject(handle) != 0; }
};
// A font or brush the program created.
template <typename Object> using GdiObject = UniqueHandle<GdiObjectTraits<Object>>;

struct LocalMemoryTraits {
    using Handle = HLOCAL;
    static Handle Invalid() { return nullptr; }
    static bool Close(Handle handle) { return LocalFree(handle) == nullptr; }
};
// Memory the system allocated for the caller (FormatMessage).
using LocalMemory = UniqueHandle<LocalMemoryTraits>;

} // namespace brisel::win32
