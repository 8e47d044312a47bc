// Registry strings written with the user's folders folded into
// environment-variable references.
#include "regwrite/RegistryStringWriter.h"

#include "base/RegistryAccess.h"

#include <cwchar>

namespace userdata {
namespace {

// The caller's key reopened for querying, for a caller whose handle may only
// set values. A machine hive that cannot be found is the current user's.
ZvUniqueKey OpenForQuerying(HKEY key)
{
    ZvUniqueKey queryKey;
    OpenMachineThenUser(key, nullptr, KEY_QUERY_VALUE, queryKey);
    return queryKey;
}

// The type of the value as it stands; REG_SZ for a new value, and also when
// the type cannot be found out (the query denied twice, or any other error).
DWORD TypeToWrite(HKEY key, const wchar_t* valueName)
{
    DWORD type = REG_NONE;
    LSTATUS status = RegQueryValueExW(key, valueName, nullptr, &type, nullptr, nullptr);
    if (status == ERROR_ACCESS_DENIED) {
        const ZvUniqueKey queryKey = OpenForQuerying(key);
        status = queryKey ? RegQueryValueExW(queryKey.Get(), valueName, nullptr, &type, nullptr, nullptr)
                          : ERROR_ACCESS_DENIED;
    }
    return status == ERROR_SUCCESS ? type : REG_SZ;
}

LSTATUS WriteText(HKEY key, const wchar_t* valueName, DWORD type, const wchar_t* text, std::size_t length)
{
    const DWORD bytes = static_cast<DWORD>((length + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, valueName, 0, type, reinterpret_cast<const BYTE*>(text), bytes);
}

}  // namespace

LSTATUS WriteFoldedString(HKEY key, const wchar_t* valueName, const wchar_t* data, const PathVariableTable& table)
{
    if (data == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    ZvString folded(data);
    const std::size_t length = folded.length();
    if (FoldPathVariables(folded, table) != 0) {
        // Expandable whatever the value held, so its type is not asked: that
        // would cost a registry round trip as long as the write itself.
        return WriteText(key, valueName, REG_EXPAND_SZ, folded.c_str(), folded.length());
    }
    const DWORD type = TypeToWrite(key, valueName);  // its second handle is closed again here
    return WriteText(key, valueName, type, data, length);
}

}  // namespace userdata
