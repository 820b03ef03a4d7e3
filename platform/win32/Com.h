// COM for the shell calls: the owner of one interface pointer, the shell's
// item-id lists, and the apartment of the calling thread for the length of
// one call.
#pragma once

#include "core/UniqueHandle.h"
#include "platform/win32/Shell32.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

namespace brisel::win32 {

// Holds one reference to an interface and releases it exactly once.
template <typename Interface> class ComPtr {
public:
    ComPtr() noexcept = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : pointer_(other.pointer_) { other.pointer_ = nullptr; }
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            pointer_ = other.pointer_;
            other.pointer_ = nullptr;
        }
        return *this;
    }

    Interface* Get() const noexcept { return pointer_; }
    Interface* operator->() const noexcept { return pointer_; }
    explicit operator bool() const noexcept { return pointer_ != nullptr; }

    // Releases what is held and returns the empty slot for a call that
    // hands out a new reference.
    Interface** Receive() noexcept {
        Reset();
        return &pointer_;
    }
    void** ReceiveVoid() noexcept { return reinterpret_cast<void**>(Receive()); }

    void Reset() noexcept {
        if (pointer_ != nullptr) {
            Interface* const pointer = pointer_;
            pointer_ = nullptr;
            pointer->Release();
        }
    }

private:
    Interface* pointer_ = nullptr;
};

// The shell's allocator (SHGetMalloc).
using ShellAllocator = ComPtr<IMalloc>;

// An item-id list the shell handed out, freed with the shell's allocator.
// The shell has one allocator for the process; a caller that needs the
// lists holds it for as long as they live, so that it is there to free them.
struct ItemIdListTraits {
    using Handle = LPITEMIDLIST;
    static Handle Invalid() { return nullptr; }
    static bool Close(Handle list) {
        ShellAllocator allocator;
        const auto getMalloc = platform::Shell32().GetMalloc;
        if (getMalloc == nullptr || getMalloc(allocator.Receive()) != S_OK || !allocator) {
            return false;
        }
        allocator->Free(list);
        return true;
    }
};
using ItemIdList = UniqueHandle<ItemIdListTraits>;

// COM initialised (apartment-threaded) on the calling thread while the
// object lives. By default it is uninitialised exactly once when the object
// goes, whatever the initialisation returned; IfInitialised leaves a thread
// whose initialisation failed as it was. Declared before the interfaces of
// a call, so that they are released first.
class ComApartment {
public:
    enum class Uninitialise { Always, IfInitialised };

    explicit ComApartment(Uninitialise when = Uninitialise::Always) noexcept
        : uninitialise_(SUCCEEDED(CoInitialize(nullptr)) || when == Uninitialise::Always) {}
    ~ComApartment() {
        if (uninitialise_) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool uninitialise_;
};

} // namespace brisel::win32
