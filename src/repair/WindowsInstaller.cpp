#include "repair/WindowsInstaller.h"

#include <windows.h>
#include <msi.h>

namespace userdata {
namespace {

constexpr INSTALLUILEVEL kReinstallUiLevel =
    static_cast<INSTALLUILEVEL>(INSTALLUILEVEL_BASIC | INSTALLUILEVEL_HIDECANCEL);

}  // namespace

unsigned ReinstallProduct(const wchar_t* productCode, const wchar_t* commandLine)
{
    HWND owner = nullptr;
    const INSTALLUILEVEL previousLevel = MsiSetInternalUI(kReinstallUiLevel, &owner);
    const UINT result = MsiConfigureProductExW(productCode, INSTALLLEVEL_DEFAULT, INSTALLSTATE_DEFAULT, commandLine);
    MsiSetInternalUI(previousLevel, &owner);
    return result;
}

}  // namespace userdata
