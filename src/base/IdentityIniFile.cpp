#include "base/Capacities.h"
#include "base/IdentityIniFile.h"
#include "base/InputRecorder.h"

#include <windows.h>

namespace userdata {

ZvString ReadProductIdentityValue(const ZvString& iniPath, const wchar_t* key)
{
    wchar_t value[kNameCapacity] = {};
    const DWORD length = GetPrivateProfileStringW(L"ProductIdentity", key, L"", value, kNameCapacity, iniPath.c_str());
    ZvString read(value, length);
    if (RecordingInputs()) {
        RecordedInput input;
        input.place = RecordedInput::Place::IniKey;
        input.where = iniPath;
        input.item = ZvString(key);
        input.status = GetFileAttributesW(iniPath.c_str()) == INVALID_FILE_ATTRIBUTES
                           ? static_cast<LSTATUS>(GetLastError())
                           : ERROR_SUCCESS;
        input.stored = read;
        input.taken = read;
        RecordInput(std::move(input));
    }
    return read;
}

}  // namespace userdata
