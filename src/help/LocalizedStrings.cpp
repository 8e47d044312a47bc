// zvudLoadMUIString: indirect string references resolved from the string
// table of their resource module; any other text handed back as it is.
#include "UserData.h"
#include "base/BoundedText.h"
#include "base/Capacities.h"
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
}  // namespace userdata

using namespace userdata;

unsigned int zvudLoadMUIString(const wchar_t* text, wchar_t* buffer, unsigned long long capacity)
{
    if (buffer != nullptr && capacity != 0) {
        buffer[0] = L'\0';
    }
    if (text == nullptr) {
        return 0;
    }
    // Most texts are plain: they are handed back before a reference's working buffers are set up.
    if (text[0] != L'@') {
        return DeliverCapacityResult(text, std::wcslen(text), buffer, capacity);
    }
    IndirectStringReference reference;
    if (!ParseIndirectStringReference(text, reference)) {
        return DeliverCapacityResult(text, std::wcslen(text), buffer, capacity);
    }
    wchar_t loaded[kNameCapacity] = {};
    return DeliverCapacityResult(loaded, LoadReferencedString(reference, loaded), buffer, capacity);
}
