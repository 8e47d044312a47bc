// The library's entry point: its only work is at unload.
#include "base/Toolchain.h"

#include <windows.h>

// A host that loads and frees the library again and again (plug-ins, tools)
// must not lose the run-time's memory each time. When the process is exiting
// (`reserved` not null) the memory goes with it, and other threads may have
// stopped anywhere: nothing is freed then.
BOOL WINAPI DllMain(HINSTANCE /*module*/, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        userdata::ReleaseRuntimeMemory();
    }
    return TRUE;
}
