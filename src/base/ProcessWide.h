// The one lifetime of the library's process-wide objects: made on first use,
// destroyed when the library is unloaded.
#pragma once

#include "base/Holders.h"
#include "base/Toolchain.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace userdata {

// Win32 locks and atomics rather than a function-local static: the compiler's
// guard for one brings a threading runtime's per-thread set-up into start-up.
// Every member is constant-initialised, so nothing runs at load.
template <typename T>
class ZvProcessWide {
public:
    ZvProcessWide() = delete;

    // The object, made with T() on the first call. If making it raises,
    // nothing is kept and the next call starts afresh. Once it is made, a
    // call is one load, small enough to be inlined where hosts call often.
    static T& Get()
    {
        T* const object = object_.load(std::memory_order_acquire);
        return object != nullptr ? *object : Create();
    }

private:
    ZV_RARELY_CALLED static T& Create()
    {
        const ZvExclusiveLock lock(creationLock_);
        T* object = object_.load(std::memory_order_relaxed);
        if (object == nullptr) {
            object = new (storage_) T();
            std::atexit(&Destroy);  // the runtime's exit list runs when the library is unloaded
            object_.store(object, std::memory_order_release);
        }
        return *object;
    }

    static void Destroy() { object_.load(std::memory_order_acquire)->~T(); }

    alignas(T) static inline unsigned char storage_[sizeof(T)] = {};
    static inline std::atomic<T*> object_{nullptr};
    static inline SRWLOCK creationLock_ = SRWLOCK_INIT;
};

}  // namespace userdata
