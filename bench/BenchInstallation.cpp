#include "BenchInstallation.h"

#include <algorithm>
#include <cwchar>
#include <vector>

namespace userdata::bench {

CatalogueShape ShapeOf(int entries)
{
    const int products = std::max(1, entries / 10);
    return {products, entries / products};
}

void BenchInstallation::InstallCatalogue(int entries)
{
    const CatalogueShape shape = ShapeOf(entries);
    std::vector<std::wstring> languages;
    for (int language = 1; language <= shape.languages; ++language) {
        languages.push_back(L"L" + std::to_wstring(language));
    }
    std::vector<testing::InstalledProduct> products = {{L"ZOVA", languages}};
    for (int product = 1; product < shape.products; ++product) {
        wchar_t name[16] = {};
        std::swprintf(name, 16, L"P%03d", product);
        products.push_back({name, languages});
    }
    WriteVersionFile(kVersionKey, L"1");
    WriteCatalogue(products);
    WriteIdentityFile(L"L1", BaseProductRoot(), L"Software\\Brevonix\\Global");
    WriteLastLaunched(L"ZOVA", L"L1");
}

}  // namespace userdata::bench
