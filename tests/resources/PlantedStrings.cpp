// A resource module with start-up code, as someone might plant it where
// modules are looked for: its start-up leaves a mark the tests look for.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        SetEnvironmentVariableW(L"USERDATA_PLANTED_MODULE_RAN", L"1");
    }
    return TRUE;
}
