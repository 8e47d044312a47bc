// A host built with NO_STRICT, where windows.h declares HKEY as a plain HANDLE
// (void*), writing a setting through zvudRegSetString: it must compile and ask
// for the export's one name.
#define NO_STRICT
#if __has_include(<windows.h>)
#include <windows.h>
#else
typedef void* HKEY;  // as windows.h declares it under NO_STRICT (no Windows SDK here for MSVC hosts)
#endif

#include "UserData.h"

unsigned WriteSetting(HKEY key)
{
    return zvudRegSetString(key, L"Setting", L"C:\\Data") + zvudRegSetString(nullptr, L"Setting", nullptr);
}
