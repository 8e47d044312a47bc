// The help and string exports: each finds its file through the core, which
// settles start-up only when the answer needs the identity, and delivers it
// with the length result; zvudLoadMUIString settles nothing and delivers with
// the capacity result. No heap after start-up (see base/Capacities.h).
#include "UserData.h"
#include "base/BoundedText.h"
#include "config/CurrentIdentity.h"
#include "help/HelpFiles.h"
#include "help/LocalizedStrings.h"

using namespace userdata;

unsigned int GetHelpFileName(wchar_t* buffer, unsigned long capacity)
{
    CurrentIdentity identity;
    wchar_t helpPath[kPathCapacity] = {};
    if (!FindHelpFile(identity, helpPath)) {
        return 0;
    }
    return DeliverLengthResult(helpPath, BoundedLength(helpPath), buffer, capacity);
}

unsigned int GetContextFileName(wchar_t* buffer, unsigned long capacity)
{
    CurrentIdentity identity;
    wchar_t contextPath[kContextPathCapacity] = {};
    if (!FindContextFile(identity, contextPath)) {
        return 0;
    }
    return DeliverLengthResult(contextPath, BoundedLength(contextPath), buffer, capacity);
}

unsigned int zvudLoadMUIString(const wchar_t* text, wchar_t* buffer, unsigned long long capacity)
{
    if (buffer != nullptr && capacity != 0) {
        buffer[0] = L'\0';
    }
    if (text == nullptr) {
        return 0;
    }
    wchar_t loaded[kNameCapacity];  // written only for a reference
    const std::wstring_view resolved = ResolveString(text, loaded);
    return DeliverCapacityResult(resolved.data(), resolved.length(), buffer, capacity);
}
