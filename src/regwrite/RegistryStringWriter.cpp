// Registry strings written with the user's folders folded into
// environment-variable references.
#include "regwrite/RegistryStringWriter.h"

#include "base/RegistryAccess.h"

#include <cwchar>

namespace userdata {
namespace {

// The caller's key reopened for querying, for a caller whose handle may only
// set values. A machine hive that cannot be found is the current user's.
ZvRegistryAccess OpenForQuerying(HKEY key)
{
    ZvRegistryAccess queryKey;
    if (queryKey.Open(key, nullptr, KEY_QUERY_VALUE) != ERROR_SUCCESS) {
        return ZvRegistryAccess();  // the type then stays unknown
    }
    return queryKey;
}

// The type of the value as it stands; REG_SZ for a new value, and also when
// the type cannot be found out (the query denied twice, or any other error).
DWORD TypeToWrite(HKEY key, const wchar_t* valueName)
{
    DWORD type = REG_NONE;
    LSTATUS status = QueryValueType(key, valueName, type);
    if (status == ERROR_ACCESS_DENIED) {
        const ZvRegistryAccess queryKey = OpenForQuerying(key);
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
    ZvString folded(data);
    const std::size_t length = folded.length();
    if (FoldPathVariables(folded, table) != 0) {
        // Expandable whatever the value held, so its type is not asked: that
        // would cost a registry round trip as long as the write itself.
        return WriteValueText(key, valueName, REG_EXPAND_SZ, folded.c_str(), folded.length());
    }
    const DWORD type = TypeToWrite(key, valueName);  // its second handle is closed again here
    return WriteValueText(key, valueName, type, data, length);
}

}  // namespace userdata
