// Move-only owners of Windows handles, each closing its handle in its
// destructor. Registry keys opened for reading by product code use
// ZvRegistryAccess (base/RegistryAccess.h); these hold everything else.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace userdata {

template <typename Handle, typename Traits>
class ZvUniqueHandle {
public:
    ZvUniqueHandle() noexcept = default;
    explicit ZvUniqueHandle(Handle handle) noexcept : handle_(handle) {}
    ZvUniqueHandle(const ZvUniqueHandle&) = delete;
    ZvUniqueHandle& operator=(const ZvUniqueHandle&) = delete;
    ZvUniqueHandle(ZvUniqueHandle&& other) noexcept : handle_(other.Release()) {}
    ZvUniqueHandle& operator=(ZvUniqueHandle&& other) noexcept
    {
        Reset(other.Release());
        return *this;
    }
    ~ZvUniqueHandle() { Reset(); }

    Handle Get() const noexcept { return handle_; }
    bool IsValid() const noexcept { return Traits::IsValid(handle_); }
    explicit operator bool() const noexcept { return IsValid(); }

    // Closes what is held and gives the address for an API to store a new handle.
    Handle* Receive() noexcept
    {
        Reset();
        return &handle_;
    }

    Handle Release() noexcept { return std::exchange(handle_, Traits::Invalid()); }

    void Reset(Handle handle = Traits::Invalid()) noexcept
    {
        const Handle previous = std::exchange(handle_, handle);
        if (Traits::IsValid(previous)) {
            Traits::Close(previous);
        }
    }

private:
    Handle handle_ = Traits::Invalid();
};

struct ZvKeyTraits {
    static HKEY Invalid() noexcept { return nullptr; }
    static bool IsValid(HKEY key) noexcept { return key != nullptr; }
    static void Close(HKEY key) noexcept { RegCloseKey(key); }
};

struct ZvModuleTraits {
    static HMODULE Invalid() noexcept { return nullptr; }
    static bool IsValid(HMODULE module) noexcept { return module != nullptr; }
    static void Close(HMODULE module) noexcept { FreeLibrary(module); }
};

struct ZvFileTraits {
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE file) noexcept { return file != INVALID_HANDLE_VALUE && file != nullptr; }
    static void Close(HANDLE file) noexcept { CloseHandle(file); }
};

struct ZvProcessTraits {
    static HANDLE Invalid() noexcept { return nullptr; }
    static bool IsValid(HANDLE process) noexcept { return process != nullptr; }
    static void Close(HANDLE process) noexcept { CloseHandle(process); }
};

struct ZvCoTaskTextTraits {
    static wchar_t* Invalid() noexcept { return nullptr; }
    static bool IsValid(wchar_t* text) noexcept { return text != nullptr; }
    static void Close(wchar_t* text) noexcept { CoTaskMemFree(text); }
};

// A registry key for writing or probing (reads go through ZvRegistryAccess).
using ZvUniqueKey = ZvUniqueHandle<HKEY, ZvKeyTraits>;
// A module loaded with LoadLibraryW.
using ZvUniqueModule = ZvUniqueHandle<HMODULE, ZvModuleTraits>;
// A file or folder opened with CreateFileW.
using ZvUniqueFile = ZvUniqueHandle<HANDLE, ZvFileTraits>;
// A process started with CreateProcessW.
using ZvUniqueProcess = ZvUniqueHandle<HANDLE, ZvProcessTraits>;
// Text that COM allocated (StringFromCLSID and the like).
using ZvCoTaskText = ZvUniqueHandle<wchar_t*, ZvCoTaskTextTraits>;

// A slim reader/writer lock held exclusively for the length of a scope.
class ZvExclusiveLock {
public:
    explicit ZvExclusiveLock(SRWLOCK& lock) noexcept : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~ZvExclusiveLock() { ReleaseSRWLockExclusive(&lock_); }
    ZvExclusiveLock(const ZvExclusiveLock&) = delete;
    ZvExclusiveLock& operator=(const ZvExclusiveLock&) = delete;

private:
    SRWLOCK& lock_;
};

// A slim reader/writer lock held shared for the length of a scope.
class ZvSharedLock {
public:
    explicit ZvSharedLock(SRWLOCK& lock) noexcept : lock_(lock) { AcquireSRWLockShared(&lock_); }
    ~ZvSharedLock() { ReleaseSRWLockShared(&lock_); }
    ZvSharedLock(const ZvSharedLock&) = delete;
    ZvSharedLock& operator=(const ZvSharedLock&) = delete;

private:
    SRWLOCK& lock_;
};

}  // namespace userdata
