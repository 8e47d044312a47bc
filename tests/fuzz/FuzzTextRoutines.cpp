// The library's text routines that need no Win32 call, each compared on every
// input with a plain model of its contract written with std::wstring. One fuzz
// target: the first byte picks the routine, the rest is its input. The
// scenarios through the DLL cover the same routines at their known limits; the
// fuzzer looks for the inputs nobody thought of.
#include "base/BoundedText.h"
#include "help/IndirectStringReference.h"
#include "migration/MigratorArguments.h"
#include "regwrite/PathFolding.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

// ZvString's heap and failure for native builds: malloc, and an abort that
// the fuzzer reports.
namespace userdata {

void* ZvStringAllocate(std::size_t bytes) noexcept
{
    return std::malloc(bytes);
}

void ZvStringFree(void* memory) noexcept
{
    std::free(memory);
}

void ZvRaiseStringFailure(std::int32_t)
{
    std::abort();
}

}  // namespace userdata

namespace {

using namespace userdata;

// A property every input must keep; the fuzzer reports the abort.
void Check(bool property)
{
    if (!property) {
        std::abort();
    }
}

// The fuzzer's bytes, read from the front.
struct FuzzInput {
    const std::uint8_t* next;
    const std::uint8_t* end;

    std::uint8_t Byte() { return next < end ? *next++ : 0; }

    // Text of up to `maxLength` characters, drawn mostly from `alphabet` so
    // that separators and markers come up often; a zero byte ends it.
    std::wstring Text(std::size_t maxLength, const std::wstring& alphabet)
    {
        std::wstring text;
        for (std::uint8_t pick = 0; text.size() < maxLength && (pick = Byte()) != 0;) {
            text.push_back(pick < 0xF0 ? alphabet[pick % alphabet.size()] : static_cast<wchar_t>(0x80 + pick));
        }
        return text;
    }
};

// The bounded copy and appends: all or nothing, and never a character written
// beyond the terminator, even into a destination without a terminator within
// its capacity.
void BoundedCopies(FuzzInput& input)
{
    constexpr std::size_t kArena = 96;
    wchar_t arena[kArena];
    std::wmemset(arena, L'\x7F', kArena);
    const std::size_t capacity = input.Byte() % kArena;
    const std::wstring initial = input.Text(capacity, L"ab\\");
    initial.copy(arena, initial.size());
    if (initial.size() < capacity) {
        arena[initial.size()] = L'\0';
    }
    const std::wstring piece = input.Text(kArena, L"cd\\");
    const std::wstring before(arena, kArena);

    std::wstring expected = piece;
    bool written = false;
    switch (input.Byte() % 3) {
    case 0:
        written = CopyText(arena, capacity, piece.c_str());
        break;
    case 1:
        expected = initial + piece;
        written = AppendText(arena, capacity, piece.c_str());
        break;
    default:
        expected = initial + (initial.empty() || initial.back() != L'\\' ? L"\\" : L"") + piece;
        written = AppendPathPiece(arena, capacity, piece.c_str());
    }
    const std::size_t changed = written ? expected.size() + 1 : 0;
    Check(written == (expected.size() < capacity) && (!written || std::wstring(arena, changed) == expected + L'\0'));
    Check(std::wmemcmp(arena + changed, before.data() + changed, kArena - changed) == 0);
}

// The "@module,-number" parser, with runs of about a working buffer's length
// and numbers around the largest string number mixed in, so that each limit is
// met on both sides.
void IndirectStringReferences(FuzzInput& input)
{
    const wchar_t* const alphabet = L"@,-0123456789ab.";
    std::wstring text = input.Text(600, alphabet);
    const std::uint8_t limit = input.Byte();
    if (limit % 4 == 1) {
        text.append(kReferencePartCapacity - 2 + input.Byte() % 3, limit & 4 ? L'7' : L'm');
    } else if (limit % 4 == 2) {
        text += L"@m,-" + std::to_wstring(kLargestStringNumber - 2 + input.Byte() % 5);
    }
    text += input.Text(600, alphabet);

    IndirectStringReference reference;
    const bool parsed = ParseIndirectStringReference(text.c_str(), reference);
    Check(parsed || (reference.module[0] == L'\0' && reference.number == 0));  // left as it was
    const std::size_t separator = text.starts_with(L'@') ? text.find(L",-") : text.npos;
    if (separator == text.npos) {
        Check(!parsed);
        return;
    }
    const std::wstring module = text.substr(1, separator - 1);
    const std::wstring digits = text.substr(separator + 2);
    Check(parsed == (!digits.empty() && digits.find_first_not_of(L"0123456789") == text.npos &&
                     module.size() < kReferencePartCapacity && digits.size() < kReferencePartCapacity));
    // Any number above the largest is that number plus one.
    unsigned long number = 0;
    for (const wchar_t digit : digits) {
        number = std::min<unsigned long>(number * 10 + (digit - L'0'), kLargestStringNumber + 1);
    }
    Check(!parsed || (module == reference.module && reference.number == number));
}

// The rules of CommandLineToArgvW: the program name runs up to the next quote;
// after it, 2n backslashes before a quote give n and the quote opens or
// closes quoting, 2n+1 give n and a literal quote, other backslashes are
// literal, and blanks outside quotes separate arguments.
std::vector<std::wstring> ParseCommandLine(const wchar_t* at)
{
    const wchar_t* const programEnd = std::wcschr(at + 1, L'"');
    std::vector<std::wstring> arguments{std::wstring(at + 1, programEnd)};
    // Each turn skips the blanks before an argument.
    for (at = programEnd + 1; *(at += std::wcsspn(at, L" ")) != L'\0';) {
        std::wstring& argument = arguments.emplace_back();
        for (bool quoted = false; *at != L'\0' && (quoted || *at != L' ');) {
            const std::size_t backslashes = std::wcsspn(at, L"\\");
            at += backslashes;
            argument.append(*at == L'"' ? backslashes / 2 : backslashes, L'\\');
            if (*at == L'"' && backslashes % 2 == 0) {
                quoted = !quoted;
                ++at;
            } else if (*at != L'\0' && (quoted || *at != L' ')) {
                argument.push_back(*at++);
            }
        }
    }
    return arguments;
}

// The migration tool's command line stays within its buffer, and the
// platform's argument rules give back exactly the arguments asked for,
// whatever the tool path, product and language hold. One input in eight takes
// each at the longest length accepted, the product and language made of
// quotes, which need the most escapes.
void MigratorCommandLines(FuzzInput& input)
{
    std::wstring tool = input.Text(300, L"tT:\\ \"");
    std::wstring product = input.Text(300, L"pP\"\\ ");
    std::wstring language = input.Text(300, L"lL\"\\ ");
    const std::uint8_t flags = input.Byte();
    if ((flags & 0x1C) == 0x1C) {
        tool.resize(kMigratorNameCapacity - 1, L't');
        product.resize(kMigratorNameCapacity - 1, L'"');
        language.resize(kMigratorNameCapacity - 1, L'"');
    }
    const MigratorRequest request{(flags & 1) != 0, product.c_str(), language.c_str(), (flags & 2) != 0};

    wchar_t line[kMigratorCommandLineCapacity];
    const bool built = BuildMigratorCommandLine(tool.c_str(), request, line);
    Check(built == (!tool.empty() && tool.size() < kMigratorNameCapacity && tool.find(L'"') == tool.npos));
    std::vector<std::wstring> expected{tool};
    if (request.fullRun) {
        expected.emplace_back(L"/a");
        for (const auto& [option, value] : {std::pair{L"/product", product}, std::pair{L"/language", language}}) {
            if (!value.empty() && value.size() < kMigratorNameCapacity) {
                expected.insert(expected.end(), {option, value});
            }
        }
    }
    if (request.dapMarkerCreated) {
        expected.emplace_back(L"/dap");
    }
    Check(!built || ParseCommandLine(line) == expected);
}

std::wstring Lowered(std::wstring text)
{
    for (wchar_t& character : text) {
        character = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(character)));
    }
    return text;
}

// Folding: the text lower-cased, then the table's values, longest first
// whatever the order they were added in, each replaced left to right by its
// "%NAME%" token; the count is the number of tokens made.
void PathFolding(FuzzInput& input)
{
    PathVariableTable table;
    std::vector<std::pair<std::wstring, std::wstring>> variables;
    // Upper-case names, so that no value (lower-cased) is found inside a token.
    const wchar_t* const names[] = {L"USERPROFILE", L"APPDATA", L"TEMP", L"APPDATA"};
    for (std::size_t index = input.Byte() % 5; index-- != 0;) {
        const std::wstring value = input.Text(12, L"cC:\\uU");
        variables.emplace_back(names[index], Lowered(value));
        table.Add(ZvString(names[index]), ZvString(value.c_str(), value.size()));
    }
    const std::wstring original = input.Text(300, L"cC:\\uUx%");
    ZvString text(original.c_str(), original.size());
    const int count = FoldPathVariables(text, table);

    std::stable_sort(variables.begin(), variables.end(),
                     [](const auto& left, const auto& right) { return left.second.size() > right.second.size(); });
    std::wstring expected = Lowered(original);
    int tokens = 0;
    for (const auto& [name, value] : variables) {
        const std::wstring token = L"%" + name + L"%";
        for (std::size_t at = expected.find(value); !value.empty() && at != expected.npos; ++tokens) {
            expected.replace(at, value.size(), token);
            at = expected.find(value, at + token.size());
        }
    }
    Check(count == tokens && std::wstring(text.c_str(), text.length()) == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static void (*const properties[])(FuzzInput&) = {&BoundedCopies, &IndirectStringReferences,
                                                     &MigratorCommandLines, &PathFolding};
    FuzzInput input{data, data + size};
    properties[input.Byte() % 4](input);
    return 0;
}
