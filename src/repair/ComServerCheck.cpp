// The COM server check and repair.
#include "repair/ComServerCheck.h"

#include "base/Holders.h"
#include "base/RegistryAccess.h"
#include "base/ZvString.h"
#include "repair/WindowsInstaller.h"

#include <windows.h>

#include <cwchar>

namespace userdata {
namespace {

// The one server that must be registered; the other two may be absent.
constexpr CLSID kRequiredServer = {0x3F6B0D18, 0xC2E4, 0x4A97, {0x8B, 0x1D, 0x5E, 0x2F, 0x7A, 0x09, 0xC6, 0xD4}};
constexpr wchar_t kOptionalServer1[] = L"{5A1C7E42-3B9D-4F08-A6E2-71C4D0B9E315}";
constexpr wchar_t kOptionalServer2[] = L"{9E0D2F6B-84A7-4C13-B5F9-2D6A8E1C4B70}";

constexpr wchar_t kComRepairCommandLine[] = L"REINSTALL=ALL REINSTALLMODE=m ZOVA_SECONDARY_INSTALL=1";

ZvString TextOf(const CLSID& identifier)
{
    ZvCoTaskText text;
    if (FAILED(StringFromCLSID(identifier, text.Receive()))) {
        return ZvString();
    }
    return ZvString(text.Get());
}

}  // namespace

// The three tests in order; a failing one ends the check.
bool AllServersRelative()
{
    return IsInProcServerPathRelative(TextOf(kRequiredServer).c_str(), true) &&
           IsInProcServerPathRelative(kOptionalServer1, false) && IsInProcServerPathRelative(kOptionalServer2, false);
}

bool IsInProcServerPathRelative(const wchar_t* identifier, bool mustExist)
{
    ZvString keyPath(L"CLSID\\");
    keyPath.Append(identifier).Append(L"\\InProcServer32");
    ZvRegistryAccess serverKey;
    if (serverKey.Open(HKEY_CLASSES_ROOT, keyPath.c_str()) != ERROR_SUCCESS) {
        return !mustExist;
    }
    // A value that is not a string, or changed since its size was asked, fails the test.
    ZvString path;
    if (serverKey.ReadString(nullptr, path) != ERROR_SUCCESS) {
        return false;
    }
    return std::wcschr(path.c_str(), L':') == nullptr;
}

void RepairCOMServerRegistration(const wchar_t* productCode)
{
    if (AllServersRelative()) {
        return;  // sound already, perhaps repaired for an earlier product
    }
    ReinstallProduct(productCode, kComRepairCommandLine);
}

}  // namespace userdata
