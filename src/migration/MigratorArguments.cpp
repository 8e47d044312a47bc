#include "migration/MigratorArguments.h"

#include "base/BoundedText.h"

namespace userdata {
namespace {

// Appends ` <option> "<value>"` whole, or nothing.
void AppendQuotedOption(wchar_t (&arguments)[kMigratorArgumentsCapacity], const wchar_t* option,
                        const wchar_t* value) noexcept
{
    const std::size_t valueLength = BoundedLength(value, kMigratorNameCapacity);
    if (valueLength == 0 || valueLength >= kMigratorNameCapacity) {
        return;
    }
    const std::size_t used = BoundedLength(arguments);
    if (!AppendText(arguments, option) || !AppendText(arguments, L"\"") || !AppendText(arguments, value) ||
        !AppendText(arguments, L"\"")) {
        arguments[used] = L'\0';
    }
}

}  // namespace

void BuildMigratorArguments(const wchar_t* product, const wchar_t* language, bool dapMarkerCreated,
                            wchar_t (&arguments)[kMigratorArgumentsCapacity]) noexcept
{
    CopyText(arguments, L"/a");
    AppendQuotedOption(arguments, L" /product ", product);
    AppendQuotedOption(arguments, L" /language ", language);
    if (dapMarkerCreated) {
        AppendText(arguments, L" /dap ");
    }
}

}  // namespace userdata
