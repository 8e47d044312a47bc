// The library as hosts load it, by full path and exported names, and its import slots.
#pragma once

#include "Basics.h"
#include "ExportTable.h"

#include <windows.h>

#include <string>
#include <vector>

namespace userdata::testing {

// One copy of the library, loaded by full path with every export that hosts
// link against, and unloaded at the end (the next load starts afresh).
class UserDataLibrary : NoCopy {
public:
    explicit UserDataLibrary(const std::wstring& dllPath);
    ~UserDataLibrary();

    HMODULE Module() const { return module_; }
    const UserDataExports& Exports() const { return exports_; }

private:
    HMODULE module_ = nullptr;
    UserDataExports exports_;
};

// The words of `module`'s image that hold `address`: the import slots bound to
// that function. A delay-loaded import's slot holds it once the library called it.
std::vector<void**> SlotsHolding(HMODULE module, const void* address);
// msi.dll's function `name` (the test program links msi.dll).
const void* MsiFunction(const char* name);

// What a length-result export delivers with plenty of room ("" for none).
template <typename Capacity>
std::wstring AskText(unsigned (*query)(wchar_t*, Capacity))
{
    std::vector<wchar_t> text(8192, L'\0');
    const unsigned length = query(text.data(), static_cast<Capacity>(text.size()));
    return std::wstring(text.data(), length);
}

}  // namespace userdata::testing
