// A host that crashes inside UserData.dll, as one does that hands it a buffer it
// cannot write, and reports the crash as a crash reporter would: its
// unhandled-exception filter walks the stack with dbghelp, which reads the
// PDB beside the DLL, and prints one line per frame,
// "frame<TAB>module<TAB>function<TAB>file:line" ("?" for what it does not know).
#include "UserData.h"

#include <windows.h>

#include <dbghelp.h>

#include <cstdio>
#include <cwchar>

namespace {

constexpr int kMaxFrames = 32;

void PrintFrame(HANDLE process, DWORD64 address)
{
    alignas(SYMBOL_INFOW) char storage[sizeof(SYMBOL_INFOW) + MAX_SYM_NAME * sizeof(wchar_t)] = {};
    auto* symbol = reinterpret_cast<SYMBOL_INFOW*>(storage);
    symbol->SizeOfStruct = sizeof(SYMBOL_INFOW);
    symbol->MaxNameLen = MAX_SYM_NAME;
    const bool named = SymFromAddrW(process, address, nullptr, symbol) != FALSE;
    wchar_t module[MAX_PATH] = L"?";
    if (named) {
        GetModuleFileNameW(reinterpret_cast<HMODULE>(symbol->ModBase), module, MAX_PATH);
    }
    IMAGEHLP_LINEW64 line = {};
    line.SizeOfStruct = sizeof(line);
    DWORD displacement = 0;
    const bool located = SymGetLineFromAddrW64(process, address, &displacement, &line) != FALSE;
    const wchar_t* const moduleName = std::wcsrchr(module, L'\\') != nullptr ? std::wcsrchr(module, L'\\') + 1 : module;
    std::printf("frame\t%ls\t%ls\t%ls:%lu\n", moduleName, named ? symbol->Name : L"?", located ? line.FileName : L"?",
                located ? line.LineNumber : 0UL);
}

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* crash)
{
    const HANDLE process = GetCurrentProcess();
    SymSetOptions(SYMOPT_LOAD_LINES | SYMOPT_UNDNAME);
    // The symbol path: the folder of the host and the DLL, where the PDB lies.
    wchar_t folder[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, folder, MAX_PATH);
    *wcsrchr(folder, L'\\') = L'\0';
    SymInitializeW(process, folder, TRUE);
    std::printf("exception\t%08lX\n", crash->ExceptionRecord->ExceptionCode);
    CONTEXT context = *crash->ContextRecord;
    STACKFRAME64 frame = {};
    frame.AddrPC = {context.Rip, 0, AddrModeFlat};
    frame.AddrStack = {context.Rsp, 0, AddrModeFlat};
    frame.AddrFrame = {context.Rbp, 0, AddrModeFlat};
    for (int depth = 0; depth < kMaxFrames && frame.AddrPC.Offset != 0; ++depth) {
        if (!StackWalk64(IMAGE_FILE_MACHINE_AMD64, process, GetCurrentThread(), &frame, &context, nullptr,
                         SymFunctionTableAccess64, SymGetModuleBase64, nullptr)) {
            break;
        }
        PrintFrame(process, frame.AddrPC.Offset);
    }
    std::fflush(stdout);
    ExitProcess(3);
}

}  // namespace

int main()
{
    SetUnhandledExceptionFilter(&ReportCrash);
    // One read-only page, for which the host states room for 260 characters.
    auto* buffer = static_cast<wchar_t*>(VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READONLY));
    GetProductRootFolder(buffer, 260);
    std::printf("no crash\n");
    return 0;
}
