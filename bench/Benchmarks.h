// The measurements of the benchmark: what the exports cost a host after
// start-up, what loading the library costs, and what start-up costs by the
// size of the catalogue, each beside a baseline timed in the same run.
#pragma once

#include "BenchInstallation.h"
#include "Measure.h"

#include <string>
#include <vector>

namespace userdata::bench {

// The goals the library is held to, each the most that a row's ratio to its
// baseline may be: what a host may not notice.
inline constexpr double kPlatformPeerGoal = 1.10;  // registry-backed exports beside the calls they make
inline constexpr double kIdentityGoal = 1.25;      // identity queries beside a copy from a static buffer
inline constexpr double kPlainTextGoal = 1.00;     // zvudLoadMUIString of plain text beside SHLoadIndirectString
inline constexpr double kReferenceGoal = 1.10;     // zvudLoadMUIString of a reference beside SHLoadIndirectString
inline constexpr double kStartupGoal = 1.10;       // start-up beside its Win32 calls by hand, at every size
inline constexpr double kLoadGoal = 1.10;          // load and unload beside a trivial DLL with the same imports

struct CallComparison {
    std::string call;
    std::string baseline;
    double goal;
    PairedTiming timing;
};

// What start-up allocates at the library's own heap imports.
struct HeapUse {
    long allocations = 0;
    unsigned long long bytes = 0;  // asked for
};

struct StartupComparison {
    int entries;
    CatalogueShape shape;
    PairedTiming timing;
    HeapUse heap;
};

struct LoadCosts {
    // The library, as built (its debug information lies beside it), beside the trivial DLL.
    PairedTiming timing;
    // Loaded with the library and not with the trivial DLL, in lower case.
    std::vector<std::string> extraModules;
    // Committed private bytes that one load and unload leaves behind: the
    // library's, a trivial C++ DLL's linked the same way, the trivial C DLL's.
    long long libraryBytesPerCycle = 0;
    long long trivialCppBytesPerCycle = 0;
    long long trivialBytesPerCycle = 0;
};

std::vector<CallComparison> MeasureCallCosts(const MeasureOptions& options);

LoadCosts MeasureLoadCosts(const MeasureOptions& options);

// What the folder exports allocate after start-up, every folder asked once
// through each of them: nothing, as they work in stack buffers.
HeapUse MeasureFolderHeapUse();

std::vector<StartupComparison> MeasureStartupCosts(const std::vector<int>& catalogueSizes,
                                                   const MeasureOptions& options);

// A line on the standard error stream, so that --json output stays clean.
void Progress(const std::string& what);

}  // namespace userdata::bench
