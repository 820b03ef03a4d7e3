#include "platform/win32/BackgroundHashing.h"

#include <algorithm>
#include <cstring>

namespace brisel::win32 {

namespace {

constexpr std::size_t kBuffer = std::size_t{1} << 20;

} // namespace

BackgroundHashing::~BackgroundHashing() {
    if (thread_) {
        WaitIdle();
        stop_ = true;
        SetEvent(work_.Get());
        WaitForSingleObject(thread_.Get(), INFINITE);
    }
}

bool BackgroundHashing::Add(const unsigned char* data, std::size_t size) {
    while (size > 0) {
        std::vector<unsigned char>& buffer = buffers_[filling_];
        buffer.resize(kBuffer);
        const std::size_t take = std::min(size, kBuffer - used_);
        std::memcpy(buffer.data() + used_, data, take);
        used_ += take;
        data += take;
        size -= take;
        if (used_ == kBuffer) {
            Hand(buffer);
            filling_ ^= 1;
            used_ = 0;
        }
    }
    return okSeen_;
}

bool BackgroundHashing::Finish() {
    WaitIdle();
    ok_ = ok_ && sink_.Hash(buffers_[filling_].data(), used_);
    used_ = 0;
    return ok_;
}

bool BackgroundHashing::Start() {
    triedThread_ = true;
    work_ = KernelObject(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    idle_ = KernelObject(CreateEventW(nullptr, TRUE, TRUE, nullptr));
    if (work_ && idle_) {
        thread_ = KernelObject(CreateThread(nullptr, 0, &BackgroundHashing::Run, this, 0, nullptr));
    }
    return thread_.Valid();
}

void BackgroundHashing::Hand(std::vector<unsigned char>& buffer) {
    if (!thread_ && (triedThread_ || !Start())) {
        ok_ = ok_ && sink_.Hash(buffer.data(), buffer.size());
        okSeen_ = ok_;
        return;
    }
    // The thread is done with the other buffer before this one goes to it,
    // so the caller may fill that one next.
    WaitIdle();
    okSeen_ = ok_;
    ResetEvent(idle_.Get());
    pending_ = buffer.data();
    pendingSize_ = buffer.size();
    SetEvent(work_.Get());
}

void BackgroundHashing::WaitIdle() {
    if (thread_) {
        WaitForSingleObject(idle_.Get(), INFINITE);
    }
}

void BackgroundHashing::Loop() {
    for (;;) {
        WaitForSingleObject(work_.Get(), INFINITE);
        if (stop_) {
            return;
        }
        ok_ = ok_ && sink_.Hash(pending_, pendingSize_);
        SetEvent(idle_.Get());
    }
}

DWORD WINAPI BackgroundHashing::Run(void* self) {
    static_cast<BackgroundHashing*>(self)->Loop();
    return 0;
}

} // namespace brisel::win32
