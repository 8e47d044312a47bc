// zvud - asks UserData.dll what a host of the suite would ask, and prints it.
#include "UserData.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

void Print(const std::wstring& text)
{
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                          nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), bytes, nullptr,
                        nullptr);
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
}

template <typename Capacity>
std::wstring Ask(unsigned (*query)(wchar_t*, Capacity))
{
    wchar_t text[2048] = {};
    return query(text, 2048) != 0 ? std::wstring(text) : std::wstring();
}

void PrintField(const wchar_t* name, const std::wstring& value)
{
    Print(std::wstring(name) + L": " + (value.empty() ? L"(none)" : value) + L"\n");
}

int Show()
{
    PrintField(L"product", Ask(&zvudGetCurrentProduct));
    PrintField(L"language", Ask(&zvudGetCurrentLanguage));
    PrintField(L"machine root key", Ask(&zvudGetMachineProductRegistryRootKey));
    PrintField(L"user root key", Ask(&zvudGetUserProductRegistryRootKey));
    PrintField(L"global root key", Ask(&zvudGetGlobalRegistryRootKey));
    PrintField(L"identity file", Ask(&GetCurrentProductIdentityIniPath));
    PrintField(L"vertical path", Ask(&zvudGetVerticalEnvPath));
    PrintField(L"program name", Ask(&GetProgramName));
    PrintField(L"product name", Ask(&GetProductName));
    PrintField(L"root folder", Ask(&GetProductRootFolder));
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    std::wstring product;
    std::wstring language;
    for (int index = 1; index + 1 < argc; index += 2) {
        const std::wstring option = argv[index];
        if (option == L"--product") {
            product = argv[index + 1];
        } else if (option == L"--language") {
            language = argv[index + 1];
        }
    }
    if ((!product.empty() || !language.empty()) &&
        zvudInitProductParams(product.c_str(), language.c_str()) == 0) {
        Print(L"start-up failed; the library reports:\n");
    }
    return Show();
}
