// Registry strings written with the user's folders folded into
// environment-variable references.
#include "regwrite/RegistryStringWriter.h"

#include "base/RegistryAccess.h"

#include <cwchar>

namespace userdata {
namespace {

// The caller's key reopened for querying, for a caller whose handle may only
// set values. A machine hive that cannot be found is the current user's.
ZvRegistryAccess OpenForQuerying(const ZvRegistryAccess& hostKey)
{
    ZvRegistryAccess queryKey;
    if (queryKey.Open(hostKey.Key(), nullptr, KEY_QUERY_VALUE) != ERROR_SUCCESS) {
        return ZvRegistryAccess();  // the type then stays unknown
    }
    return queryKey;
}

// The type of the value as it stands; REG_SZ for a new value, and also when
// the type cannot be found out (the query denied twice, or any other error).
DWORD TypeToWrite(const ZvRegistryAccess& hostKey, const wchar_t* valueName)
{
    DWORD type = REG_NONE;
    LSTATUS status = hostKey.QueryType(valueName, type);
    if (status == ERROR_ACCESS_DENIED) {
        const ZvRegistryAccess queryKey = OpenForQuerying(hostKey);
        status = queryKey.IsOpen() ? queryKey.QueryType(valueName, type) : ERROR_ACCESS_DENIED;
    }
    return status == ERROR_SUCCESS ? type : REG_SZ;
}

}  // namespace

LSTATUS WriteFoldedString(HKEY key, const wchar_t* valueName, const wchar_t* data, const PathVariableTable& table)
{
    if (data == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    const ZvRegistryAccess hostKey = ZvRegistryAccess::Borrow(key);
    ZvString folded(data);
    const std::size_t length = folded.length();
    if (FoldPathVariables(folded, table) != 0) {
        // Expandable whatever the value held, so its type is not asked: that
        // would cost a registry round trip as long as the write itself.
        return hostKey.WriteText(valueName, REG_EXPAND_SZ, folded.c_str(), folded.length());
    }
    const DWORD type = TypeToWrite(hostKey, valueName);  // its second handle is closed again here
    return hostKey.WriteText(valueName, type, data, length);
}

}  // namespace userdata
