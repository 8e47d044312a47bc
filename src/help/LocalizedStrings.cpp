#include "help/LocalizedStrings.h"

#include "base/Holders.h"
#include "help/IndirectStringReference.h"
#include "help/ResourceModule.h"

#include <windows.h>

#include <cwchar>

namespace userdata {
namespace {

// The length of the string read into `loaded`; 0 when the module cannot be
// loaded or lacks the string. The module is released again before returning.
std::size_t LoadReferencedString(const IndirectStringReference& reference, wchar_t (&loaded)[kNameCapacity])
{
    if (reference.number > kLargestStringNumber) {
        return 0;  // no string table numbers it
    }
    const ZvUniqueModule module = LoadResourceModule(reference.module);
    return module ? ReadStringResource(module.Get(), reference.number, loaded) : 0;
}

}  // namespace

std::wstring_view ResolveString(const wchar_t* text, wchar_t (&loaded)[kNameCapacity])
{
    // Most texts are plain: they are handed back before a reference is parsed.
    if (text[0] != L'@') {
        return {text, std::wcslen(text)};
    }
    IndirectStringReference reference;
    if (!ParseIndirectStringReference(text, reference)) {
        return {text, std::wcslen(text)};
    }
    return {loaded, LoadReferencedString(reference, loaded)};
}

}  // namespace userdata
