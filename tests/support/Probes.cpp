#include "Probes.h"

#include <tlhelp32.h>
#include <cstring>

namespace userdata::testing {

namespace {

// Sentinels for `bytes` bytes, and one character more, whose first byte ends an odd count.
std::wstring Sentinels(size_t bytes)
{
    return std::wstring(bytes / sizeof(wchar_t) + 1, GuardedBuffer::kSentinel);
}

thread_local DWORD expectedCode = 0;
thread_local bool sawExpected = false;

LONG CALLBACK ContinueExpected(EXCEPTION_POINTERS* exception)
{
    if (exception->ExceptionRecord->ExceptionCode != expectedCode ||
        (exception->ExceptionRecord->ExceptionFlags & EXCEPTION_NONCONTINUABLE) != 0) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    sawExpected = true;
    return EXCEPTION_CONTINUE_EXECUTION;
}
}  // namespace

GuardedBuffer::GuardedBuffer(Bytes size) : bytes_(size.count)
{
    constexpr size_t kPage = 4096;
    const size_t used = (bytes_ + kPage - 1) / kPage * kPage;
    pages_ = static_cast<BYTE*>(VirtualAlloc(nullptr, used + kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD previous = 0;
    EXPECT_TRUE(pages_ != nullptr && VirtualProtect(pages_ + used, kPage, PAGE_NOACCESS, &previous));
    data_ = pages_ + used - bytes_;
    std::memcpy(data_, Sentinels(bytes_).data(), bytes_);
}

GuardedBuffer::~GuardedBuffer()
{
    VirtualFree(pages_, 0, MEM_RELEASE);
}

std::wstring GuardedBuffer::Text() const
{
    std::wstring text(bytes_ / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), data_, text.size() * sizeof(wchar_t));
    return text.substr(0, text.find(L'\0'));
}

bool GuardedBuffer::Untouched(size_t from) const
{
    const size_t start = std::min(from * sizeof(wchar_t), bytes_);
    const std::wstring sentinels = Sentinels(bytes_);
    return std::memcmp(data_ + start, reinterpret_cast<const BYTE*>(sentinels.data()) + start, bytes_ - start) == 0;
}

namespace {

// When the process was created, as a number that orders the times.
std::optional<ULONGLONG> CreationTime(HANDLE process)
{
    FILETIME times[4] = {};
    if (!GetProcessTimes(process, &times[0], &times[1], &times[2], &times[3])) {
        return std::nullopt;
    }
    return (ULONGLONG{times[0].dwHighDateTime} << 32) | times[0].dwLowDateTime;
}

// The full path of the program that `process` runs, "" when it cannot be read.
std::wstring ImageOf(HANDLE process)
{
    wchar_t image[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    return QueryFullProcessImageNameW(process, 0, image, &length) ? std::wstring(image, length) : std::wstring();
}

}  // namespace

void WaitForChildProcesses(const std::wstring& folder)
{
    const std::wstring below = folder + L"\\";
    const std::optional<ULONGLONG> started = CreationTime(GetCurrentProcess());
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        // One that ended since the snapshot cannot be opened, or is signalled. One created before this process
        // names a parent that ended, whose id this process was given since (Wine hands ids out again soon).
        const HANDLE child =
            entry.th32ParentProcessID == GetCurrentProcessId()
                ? OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID)
                : nullptr;
        if (child != nullptr && CreationTime(child) >= started &&
            _wcsnicmp(ImageOf(child).c_str(), below.c_str(), below.size()) == 0) {
            EXPECT_EQ(WaitForSingleObject(child, INFINITE), WAIT_OBJECT_0);
        }
        if (child != nullptr) {
            CloseHandle(child);
        }
    }
    CloseHandle(snapshot);
}

std::ptrdiff_t OpenHandleCount()
{
    std::ptrdiff_t count = 0;
    // A new handle takes the lowest free value: the first 2047 values hold them all here.
    for (ULONG_PTR value = 4; value < 0x2000; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
        }
    }
    return count;
}

bool RaisesContinuable(DWORD code, const std::function<void()>& action)
{
    expectedCode = code;
    sawExpected = false;
    PVOID handler = AddVectoredExceptionHandler(1, &ContinueExpected);
    action();
    RemoveVectoredExceptionHandler(handler);
    expectedCode = 0;
    return sawExpected;
}

}  // namespace userdata::testing
