// The process-wide path variable table and its values, read from the
// process environment.
#include "regwrite/PathFolding.h"

#include "base/BoundedText.h"
#include "base/InputRecorder.h"
#include "base/ProcessWide.h"

#include <windows.h>

#include <vector>

namespace userdata {

PathVariableTable& ProcessPathVariableTable()
{
    return ZvProcessWide<PathVariableTable>::Get();
}

void AddPathVariable(const wchar_t* name, PathVariableTable& table)
{
    RecordVariable(name);
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) {
        return;
    }
    std::vector<wchar_t> value(size, L'\0');
    GetEnvironmentVariableW(name, value.data(), size);
    table.Add(ZvString(name), ZvString(value.data(), BoundedLength(value.data(), size)));
}

void RegisterUserProfileVariable(PathVariableTable& table)
{
    // Claimed before reading, so a registration that fails is not retried.
    if (table.ClaimUserProfileRegistration()) {
        AddPathVariable(L"USERPROFILE", table);
    }
}

}  // namespace userdata
