// The identity file of the current product and language, and the two registry
// roots it names.
#include "base/IdentityIniFile.h"
#include "config/ProductConfigInit.h"

#include <windows.h>
#include <shlwapi.h>

namespace userdata {

bool CProductConfigInit::LocateIdentityIni()
{
    const ZvString& rootFolder = InstalledInfo->GetProductRootFolder();
    if (rootFolder.empty()) {
        return false;
    }
    // Plain concatenation: a non-configurable installation gets two backslashes
    // in a row, and hosts are handed the path exactly so.
    ZvString path = rootFolder;
    if (InstalledInfo->GetIsConfigurable()) {
        if (!IsBaseProduct(ProductParams.Product.c_str())) {
            path.Append(ProductParams.Product).Append(L'\\');
        }
        path.Append(ProductParams.Language);
    }
    path.Append(L"\\identity.ini");
    if (!PathFileExistsW(path.c_str())) {
        return false;
    }
    ProductParams.IdentityIniPath = path;
    return true;
}

bool CProductConfigInit::ReadRegistryRootKeys()
{
    if (ProductParams.IdentityIniPath.empty()) {
        return false;
    }
    ZvString global = ReadProductIdentityValue(ProductParams.IdentityIniPath, L"GlobalRegistryRootKey");
    if (global.empty()) {
        return false;
    }
    ZvString product = ReadProductIdentityValue(ProductParams.IdentityIniPath, L"ProductRegistryRootKey");
    if (product.empty()) {
        return false;
    }
    // Both or neither.
    ProductParams.ProductRegistryRootKey = std::move(product);
    ProductParams.GlobalRegistryRootKey = std::move(global);
    return true;
}

}  // namespace userdata
