// The one way in which the library asks the Windows Installer for a reinstall.
#pragma once

namespace userdata {

// Reinstalls `productCode` with `commandLine` (properties such as
// "REINSTALL=... REINSTALLMODE=..."), showing basic progress without a Cancel
// button; the process's installer UI level and owner window are restored
// afterwards. Returns the Windows Installer result (0 on success).
//
// msi.dll is bound on the first call: when it cannot be loaded the call raises
// the structured exception 0xC06D007E (0xC06D007F for a missing function).
unsigned ReinstallProduct(const wchar_t* productCode, const wchar_t* commandLine);

}  // namespace userdata
