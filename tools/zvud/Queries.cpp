#include "Queries.h"

#include "Output.h"

#include <windows.h>

#include <climits>
#include <cwctype>

namespace zvud {
namespace {

constexpr DWORD kNoLanguageException = 0xC0000008;

// While it lives, the library's continuable "no language" exception is
// continued and noted instead of ending the process.
class NoLanguageContinuation {
public:
    NoLanguageContinuation() : handler_(AddVectoredExceptionHandler(1, &Handle)) { raised_ = false; }
    ~NoLanguageContinuation() { RemoveVectoredExceptionHandler(handler_); }
    NoLanguageContinuation(const NoLanguageContinuation&) = delete;
    NoLanguageContinuation& operator=(const NoLanguageContinuation&) = delete;

    bool Raised() const { return raised_; }

private:
    static LONG CALLBACK Handle(EXCEPTION_POINTERS* exception)
    {
        const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
        if (record.ExceptionCode != kNoLanguageException || (record.ExceptionFlags & EXCEPTION_NONCONTINUABLE) != 0) {
            return EXCEPTION_CONTINUE_SEARCH;
        }
        raised_ = true;
        return EXCEPTION_CONTINUE_EXECUTION;
    }

    static inline bool raised_ = false;
    void* handler_;
};

// A capacity-result export: ask for the capacity, then fetch.
template <typename Query>
std::optional<std::wstring> AskCapacity(Query query)
{
    const unsigned capacity = query(nullptr, 0);
    if (capacity == 0) {
        return std::nullopt;
    }
    std::wstring text(capacity, L'\0');
    const unsigned delivered = query(text.data(), capacity);
    if (delivered == 0) {
        return std::nullopt;
    }
    text.resize(delivered - 1);
    return text;
}

std::optional<int> ParseDecimal(const std::wstring& text)
{
    if (text.empty() || text.size() > 9) {
        return std::nullopt;
    }
    int number = 0;
    for (const wchar_t digit : text) {
        if (digit < L'0' || digit > L'9') {
            return std::nullopt;
        }
        number = number * 10 + (digit - L'0');
    }
    return number;
}

}  // namespace

std::optional<std::wstring> AskVerticalProductName()
{
    std::wstring text(kTextCapacity, L'\0');
    const unsigned bytes = GetVerticalProductName(text.data(), kTextCapacity * sizeof(wchar_t));
    if (bytes == 0) {
        return std::nullopt;
    }
    return std::wstring(text.c_str());
}

std::optional<std::wstring> AskSpecialFolder(ZvUdSpecialFolder::Folders folder)
{
    NoLanguageContinuation continuation;
    const auto path = AskCapacity([folder](wchar_t* buffer, unsigned long long capacity) {
        return zvudGetSpecialFolder(folder, buffer, capacity);
    });
    return continuation.Raised() ? std::nullopt : path;
}

std::optional<std::wstring> AskLocalizedString(const std::wstring& text)
{
    return AskCapacity([&text](wchar_t* buffer, unsigned long long capacity) {
        return zvudLoadMUIString(text.c_str(), buffer, capacity);
    });
}

std::optional<std::wstring> AskProductSpecificFile(const std::wstring& name)
{
    return AskLength([&name](wchar_t* buffer, unsigned capacity) {
        return GetProductSpecificFilePath(name.c_str(), buffer, capacity);
    });
}

std::optional<std::wstring> AskCacheLanguageFolder()
{
    return AskCapacity([](wchar_t* buffer, unsigned long long capacity) {
        return GetZOVAUserDataCacheLangPath(buffer, nullptr, static_cast<unsigned>(capacity));
    });
}

std::optional<std::wstring> AskRootFolder(const std::wstring& valueName)
{
    std::wstring text(kTextCapacity, L'\0');
    if (zvudGetXRootFoldPath(valueName.c_str(), text.data(), kTextCapacity) == 0) {
        return std::nullopt;
    }
    return std::wstring(text.c_str());
}

std::optional<std::wstring> AskProductFolder(ZvUdSpecialFolder::Folders folder)
{
    std::wstring text(kTextCapacity, L'\0');
    if (zvudGetProductXFoldPath(text.data(), kTextCapacity, folder) == 0) {
        return std::nullopt;
    }
    return std::wstring(text.c_str());
}

const wchar_t* SpecialFolderName(int folder)
{
    const ZvUdSpecialFolder::FolderInfo* const info = ZvUdSpecialFolder::FindFolderInfo(folder);
    return info != nullptr ? info->name : L"";
}

std::optional<int> ParseSpecialFolder(const std::wstring& text)
{
    for (int folder = 0; folder < kSpecialFolderCount; ++folder) {
        if (EqualIgnoringCase(text, ZvUdSpecialFolder::FolderTable[folder].name)) {
            return folder;
        }
    }
    return ParseDecimal(text);
}

std::wstring StatusText(unsigned long status)
{
    wchar_t message[userdata::kStatusMessageCapacity] = {};
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, status, 0,
                                        message, userdata::kStatusMessageCapacity, nullptr);
    std::wstring text(message, length);
    while (!text.empty() && std::iswspace(text.back())) {
        text.pop_back();
    }
    return text.empty() ? L"no message text for this status" : text;
}

}  // namespace zvud
