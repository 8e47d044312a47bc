// The migration tool's argument string stays within its buffer and holds
// exactly the parts that fit, in order.
#include "migration/MigratorArguments.h"

#include "FuzzInput.h"

#include <cstdlib>
#include <cwchar>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace userdata;
    FuzzInput input(data, size);
    const std::wstring product = input.Text(300, L"pP\" ");
    const std::wstring language = input.Text(300, L"lL\" ");
    const bool dap = (input.Byte() & 1) != 0;

    wchar_t arguments[kMigratorArgumentsCapacity + 16];
    std::wmemset(arguments, L'\x7F', kMigratorArgumentsCapacity + 16);
    BuildMigratorArguments(product.c_str(), language.c_str(), dap,
                           *reinterpret_cast<wchar_t(*)[kMigratorArgumentsCapacity]>(arguments));
    for (std::size_t index = kMigratorArgumentsCapacity; index < kMigratorArgumentsCapacity + 16; ++index) {
        Check(arguments[index] == L'\x7F');
    }
    Check(std::wmemchr(arguments, L'\0', kMigratorArgumentsCapacity) != nullptr);

    std::wstring expected = L"/a";
    const auto add = [&](const std::wstring& part) {
        if (expected.size() + part.size() < kMigratorArgumentsCapacity) {
            expected += part;
        }
    };
    if (!product.empty() && product.size() < kMigratorNameCapacity) {
        add(L" /product \"" + product + L"\"");
    }
    if (!language.empty() && language.size() < kMigratorNameCapacity) {
        add(L" /language \"" + language + L"\"");
    }
    if (dap) {
        add(L" /dap ");
    }
    Check(expected == arguments);
    return 0;
}
