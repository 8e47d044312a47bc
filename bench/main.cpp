// The UserData benchmark: what the library costs a host, beside the platform
// calls it makes. Usage: userdata_bench [--json] [--quick] [--plot-script FILE]
//   --json                the results as JSON instead of a table
//   --quick               a few short samples and small catalogues only: shows
//                         that the benchmark runs and judges every row, not
//                         what anything costs
//   --plot-script FILE    also writes a gnuplot script that draws the results
#include "Benchmarks.h"
#include "Report.h"

#include <cstdio>
#include <cstring>

using namespace userdata::bench;

void userdata::bench::Progress(const std::string& what)
{
    std::fprintf(stderr, "%s\n", what.c_str());
}

int main(int argc, char** argv)
{
    bool json = false;
    bool quick = false;
    const char* plotScript = nullptr;
    for (int index = 1; index < argc; ++index) {
        if (std::strcmp(argv[index], "--json") == 0) {
            json = true;
        } else if (std::strcmp(argv[index], "--quick") == 0) {
            quick = true;
        } else if (std::strcmp(argv[index], "--plot-script") == 0 && index + 1 < argc) {
            plotScript = argv[++index];
        } else {
            std::fprintf(stderr, "usage: userdata_bench [--json] [--quick] [--plot-script FILE]\n");
            return 2;
        }
    }
    BenchResults results;
    results.options = quick ? MeasureOptions{7, 0.0005} : MeasureOptions{};
    results.calls = MeasureCallCosts(results.options);
    results.load = MeasureLoadCosts(results.options);
    results.startup =
        MeasureStartupCosts(quick ? std::vector<int>{1, 10} : std::vector<int>{1, 10, 100, 1000}, results.options);
    results.folderHeap = MeasureFolderHeapUse();
    if (BenchInstallation::AnyFailure()) {
        std::fprintf(stderr, "The benchmark did not run as it should (see the failures above).\n");
        return 1;
    }
    if (plotScript != nullptr && !WritePlotScript(results, plotScript)) {
        std::fprintf(stderr, "Cannot write %s.\n", plotScript);
        return 1;
    }
    if (json) {
        PrintJson(results);
    } else {
        PrintTable(results);
    }
    return 0;
}
