// Move-only owners of Windows handles, each closing its handle in its
// destructor. ZvUniqueKey is the one owner of an opened registry key; product
// code reads through ZvRegistryAccess (base/RegistryAccess.h), which holds one.
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

// Traits of the handle kinds that null leaves invalid; `Close` is each kind's own.
template <typename Handle>
struct ZvNullInvalidTraits {
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle handle) noexcept { return handle != nullptr; }
};

struct ZvKeyTraits : ZvNullInvalidTraits<HKEY> {
    static void Close(HKEY key) noexcept { RegCloseKey(key); }
};

struct ZvModuleTraits : ZvNullInvalidTraits<HMODULE> {
    static void Close(HMODULE module) noexcept { FreeLibrary(module); }
};

struct ZvFileTraits {
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE file) noexcept { return file != INVALID_HANDLE_VALUE && file != nullptr; }
    static void Close(HANDLE file) noexcept { CloseHandle(file); }
};

// A search of a folder begun with FindFirstFileW.
struct ZvFindTraits {
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE search) noexcept { return search != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE search) noexcept { FindClose(search); }
};

// A process or thread handle (null when there is none, unlike a file's).
struct ZvKernelHandleTraits : ZvNullInvalidTraits<HANDLE> {
    static void Close(HANDLE handle) noexcept { CloseHandle(handle); }
};

struct ZvCoTaskTextTraits : ZvNullInvalidTraits<wchar_t*> {
    static void Close(wchar_t* text) noexcept { CoTaskMemFree(text); }
};

// A registry key, opened for any access.
using ZvUniqueKey = ZvUniqueHandle<HKEY, ZvKeyTraits>;
// A module loaded with LoadLibraryW.
using ZvUniqueModule = ZvUniqueHandle<HMODULE, ZvModuleTraits>;
// A file or folder opened with CreateFileW.
using ZvUniqueFile = ZvUniqueHandle<HANDLE, ZvFileTraits>;
// The entries of a folder, found one by one.
using ZvUniqueFind = ZvUniqueHandle<HANDLE, ZvFindTraits>;
// A process started with CreateProcessW, and its first thread.
using ZvUniqueProcess = ZvUniqueHandle<HANDLE, ZvKernelHandleTraits>;
using ZvUniqueThread = ZvUniqueHandle<HANDLE, ZvKernelHandleTraits>;
// Text that COM allocated (StringFromCLSID and the like).
using ZvCoTaskText = ZvUniqueHandle<wchar_t*, ZvCoTaskTextTraits>;

enum class ZvLockMode { Exclusive, Shared };

// A slim reader/writer lock held, exclusively or shared, for the length of a scope.
template <ZvLockMode Mode>
class ZvScopedLock {
public:
    explicit ZvScopedLock(SRWLOCK& lock) noexcept : lock_(lock)
    {
        if constexpr (Mode == ZvLockMode::Exclusive) {
            AcquireSRWLockExclusive(&lock_);
        } else {
            AcquireSRWLockShared(&lock_);
        }
    }
    ~ZvScopedLock()
    {
        if constexpr (Mode == ZvLockMode::Exclusive) {
            ReleaseSRWLockExclusive(&lock_);
        } else {
            ReleaseSRWLockShared(&lock_);
        }
    }
    ZvScopedLock(const ZvScopedLock&) = delete;
    ZvScopedLock& operator=(const ZvScopedLock&) = delete;

private:
    SRWLOCK& lock_;
};

using ZvExclusiveLock = ZvScopedLock<ZvLockMode::Exclusive>;
using ZvSharedLock = ZvScopedLock<ZvLockMode::Shared>;

}  // namespace userdata
