// The registration of the suite's three in-process COM servers: registered
// with relative paths, and repaired through the Windows Installer when not.
#pragma once

namespace userdata {

// True when the default value of CLSID\<identifier>\InProcServer32 under
// HKEY_CLASSES_ROOT is a string without ':'. A registration that cannot be
// opened passes only when it need not exist.
[[nodiscard]] bool IsInProcServerPathRelative(const wchar_t* identifier, bool mustExist);

// True when the three servers pass their test: the one the suite needs is
// registered with a relative path, the two others so or not at all.
[[nodiscard]] bool AllServersRelative();

// When the three servers fail their test, reinstalls `productCode` with the
// mode that rewrites the machine's registry entries. Reports nothing.
void RepairCOMServerRegistration(const wchar_t* productCode);

}  // namespace userdata
