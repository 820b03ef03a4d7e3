// The one owner of system handles: a handle of the kind that Traits
// describes, closed exactly once by whoever holds it last, on every path out.
//
// Traits gives the handle type, the value that stands for no handle and the
// function that closes one:
//
//   struct FileTraits {
//       using Handle = HANDLE;
//       static Handle Invalid() { return INVALID_HANDLE_VALUE; }
//       static bool Close(Handle handle) { return CloseHandle(handle) != 0; }
//   };
//   using FileHandle = UniqueHandle<FileTraits>;
#pragma once

namespace brisel {

template <typename Traits> class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
    ~UniqueHandle() { Close(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }

    Handle Get() const noexcept { return handle_; }
    bool Valid() const noexcept { return handle_ != Traits::Invalid(); }
    explicit operator bool() const noexcept { return Valid(); }

    // Closes what is held and returns the empty slot, for a call that hands
    // out a new handle through an out argument.
    Handle* Receive() noexcept {
        Close();
        return &handle_;
    }
    // Closes what is held and holds handle instead.
    void Reset(Handle handle = Traits::Invalid()) noexcept {
        Close();
        handle_ = handle;
    }
    // Gives up the handle without closing it.
    Handle Release() noexcept {
        const Handle handle = handle_;
        handle_ = Traits::Invalid();
        return handle;
    }
    // Closes the handle now; false when the system reports an error.
    bool Close() noexcept { return !Valid() || Traits::Close(Release()); }

private:
    Handle handle_ = Traits::Invalid();
};

} // namespace brisel
