// Hashing on a thread of its own while the caller goes on reading and
// writing: the bytes are gathered into one of two 1 MiB buffers, a full one
// goes to the thread, and the caller fills the other meanwhile. Where the
// thread cannot be had, the bytes are hashed on the caller's thread.
#pragma once

#include "platform/win32/Handles.h"

#include <cstddef>
#include <vector>

namespace brisel::win32 {

// What the bytes are hashed by; called on one thread at a time.
class HashSink {
public:
    virtual bool Hash(const unsigned char* data, std::size_t size) = 0;

protected:
    ~HashSink() = default;
};

class BackgroundHashing {
public:
    explicit BackgroundHashing(HashSink& sink) : sink_(sink) {}
    ~BackgroundHashing();
    BackgroundHashing(const BackgroundHashing&) = delete;
    BackgroundHashing& operator=(const BackgroundHashing&) = delete;

    // False once hashing has failed (which may show only at a later call).
    bool Add(const unsigned char* data, std::size_t size);
    // Waits until every byte given is hashed; false when hashing failed.
    bool Finish();

private:
    bool Start();
    void Hand(std::vector<unsigned char>& buffer);
    void WaitIdle();
    void Loop();
    static DWORD WINAPI Run(void* self);

    HashSink& sink_;
    std::vector<unsigned char> buffers_[2];
    std::size_t filling_ = 0; // the buffer the caller fills
    std::size_t used_ = 0;    // of it
    bool triedThread_ = false;
    bool okSeen_ = true; // ok_ as the caller last saw it
    // Shared with the thread, each side touching them only while the other
    // waits for an event.
    const unsigned char* pending_ = nullptr;
    std::size_t pendingSize_ = 0;
    bool ok_ = true;
    bool stop_ = false;
    KernelObject work_; // set: pending_ is to be hashed (or stop_ set)
    KernelObject idle_; // set: the thread is done with pending_
    KernelObject thread_;
};

} // namespace brisel::win32
