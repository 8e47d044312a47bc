// The two measurements of the benchmark: what the exports cost a host after
// start-up, and what start-up costs by the size of the catalogue, each beside
// a baseline timed in the same run.
#pragma once

#include "BenchInstallation.h"
#include "Measure.h"

#include <string>
#include <vector>

namespace userdata::bench {

struct CallComparison {
    std::string call;
    std::string baseline;
    PairedTiming timing;
};

struct StartupComparison {
    int entries;
    CatalogueShape shape;
    PairedTiming timing;
};

std::vector<CallComparison> MeasureCallCosts(const MeasureOptions& options);

struct StartupCosts {
    Timing loadAndUnload;  // around every trial, and timed in none
    std::vector<StartupComparison> bySize;
};

StartupCosts MeasureStartupCosts(const std::vector<int>& catalogueSizes, const MeasureOptions& options);

// A line on the standard error stream, so that --json output stays clean.
void Progress(const std::string& what);

}  // namespace userdata::bench
