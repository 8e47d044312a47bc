// The benchmark's results as a table for people or as JSON for programs.
#pragma once

#include "Benchmarks.h"

namespace userdata::bench {

struct BenchResults {
    MeasureOptions options;
    std::vector<CallComparison> calls;
    StartupCosts startup;
};

void PrintTable(const BenchResults& results);
void PrintJson(const BenchResults& results);

}  // namespace userdata::bench
