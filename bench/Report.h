// The benchmark's results, each row judged against its goal, as a table for
// people, as JSON for programs, and as a gnuplot script that draws them.
#pragma once

#include "Benchmarks.h"

namespace userdata::bench {

struct BenchResults {
    MeasureOptions options;
    std::vector<CallComparison> calls;
    LoadCosts load;
    std::vector<StartupComparison> startup;
    HeapUse folderHeap;
};

void PrintTable(const BenchResults& results);
void PrintJson(const BenchResults& results);

// Start-up time against catalogue size, and the ratio of every comparison
// with its interval and goal, as an SVG picture: gnuplot's output is to be set
// before the script runs. False when the file cannot be written.
bool WritePlotScript(const BenchResults& results, const char* file);

}  // namespace userdata::bench
