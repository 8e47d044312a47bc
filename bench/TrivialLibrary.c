/* A trivial DLL for the benchmark's load row: it imports the same system DLLs
 * as UserData.dll and does nothing, so that loading it costs what loading any
 * DLL with those imports costs. The benchmark checks that the imports agree. */
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <stdlib.h>

/* One function of each imported DLL; never called. */
__declspec(dllexport) void TouchImports(void)
{
    wchar_t text[MAX_PATH] = {0};
    void* memory = malloc(1);
    free(memory);
    RegCloseKey(HKEY_CURRENT_USER);
    CoTaskMemFree(NULL);
    SHGetFolderPathW(NULL, CSIDL_PERSONAL, NULL, 0, text);
    PathFileExistsW(text);
}
