// Folding lower-cases the text and replaces table values by tokens: the
// count equals the tokens in the result, and putting the values back gives the
// lower-cased text again.
#include "regwrite/PathFolding.h"

#include "FuzzInput.h"

#include <cstdlib>
#include <cwctype>
#include <string>

namespace {

std::wstring Std(const userdata::ZvString& text)
{
    return std::wstring(text.c_str(), text.length());
}

std::size_t CountOf(const std::wstring& text, const std::wstring& token)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(token); at != std::wstring::npos; at = text.find(token, at + token.size())) {
        ++count;
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    userdata::PathVariableTable table;
    // Distinct upper-case names, so that a token can never come from the text.
    const wchar_t* const names[] = {L"USERPROFILE", L"APPDATA", L"TEMP"};
    const std::size_t entries = input.Below(4);
    for (std::size_t index = 0; index < entries; ++index) {
        const std::wstring value = input.Text(12, L"cC:\\uU");
        table.Add(userdata::ZvString(names[index]), userdata::ZvString(value.c_str(), value.size()));
    }
    const std::wstring original = input.Text(300, L"cC:\\uUx%");
    userdata::ZvString text(original.c_str(), original.size());
    const int count = userdata::FoldPathVariables(text, table);

    std::wstring folded = Std(text);
    std::size_t tokens = 0;
    for (const userdata::PathVariable& entry : table.Entries()) {
        const std::wstring token = L"%" + Std(entry.Name) + L"%";
        tokens += entry.Value.empty() ? 0 : CountOf(folded, token);
    }
    Check(static_cast<std::size_t>(count) == tokens);

    // The tokens back, in the reverse of the order they were made in.
    for (auto entry = table.Entries().rbegin(); entry != table.Entries().rend(); ++entry) {
        const std::wstring token = L"%" + Std(entry->Name) + L"%";
        for (std::size_t at = folded.find(token); at != std::wstring::npos; at = folded.find(token, at)) {
            folded.replace(at, token.size(), Std(entry->Value));
            at += entry->Value.length();
        }
    }
    std::wstring lowered = original;
    for (wchar_t& character : lowered) {
        character = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(character)));
    }
    Check(folded == lowered);
    return 0;
}
