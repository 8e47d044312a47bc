// The installation that the scenario tests run in (a registry sandbox, a
// temporary installation folder with a copy of UserData.dll, the library
// loaded by its exported names), set up outside any test. A step that fails,
// and a benchmark whose calls give the wrong answers, report GoogleTest
// failures; AnyFailure() tells whether there were any.
#pragma once

#include "TestSupport.h"

#include <string>

namespace userdata::bench {

class BenchInstallation : public testing::ScenarioTest {
public:
    using ScenarioTest::InstallFolder;
    using ScenarioTest::kVersionKey;
    using ScenarioTest::Load;
    using ScenarioTest::ProductRootOf;
    using ScenarioTest::RootFolder;
    using ScenarioTest::Unload;

    // A configurable installation whose catalogue lists `entries`
    // product-language entries: products of ten languages each (one product
    // below ten entries), the base product among them, launched last in L1.
    void InstallCatalogue(int entries);

    // The product root of the base product in L1, where its folder values live.
    static std::wstring BaseProductRoot() { return ProductRootOf(L"ZOVA", L"L1"); }

    static bool AnyFailure() { return ::testing::Test::HasFailure(); }

private:
    void TestBody() override {}
};

// The shape of a catalogue of `entries` entries.
struct CatalogueShape {
    int products;
    int languages;
};
CatalogueShape ShapeOf(int entries);

}  // namespace userdata::bench
