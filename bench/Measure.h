// Timing with QueryPerformanceCounter: the library's samples and those of its
// baseline taken in pairs, one right after the other, and the ratio estimated
// from the pairs with a bootstrap interval.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace userdata::bench {

struct MeasureOptions {
    int pairs = 61;                // samples per side
    double sampleSeconds = 0.025;  // the least time a sample takes: thousands of wineserver round trips
};

// A median and the 95% interval that resampling gives it.
struct Estimate {
    double low = 0;
    double median = 0;
    double high = 0;
};

struct PairedTiming {
    Estimate libraryNs;   // per call, median of the library's samples
    Estimate baselineNs;  // per call, median of the baseline's samples
    Estimate ratio;       // median of the pairs' ratios, library / baseline
};

// What a row's interval says of its goal ("at most `most`"): "meets" when the
// whole interval lies at or below it, "misses" when it lies above it, and
// "cannot tell" when the interval holds it.
std::string Verdict(const Estimate& estimate, double most);

class Stopwatch {
public:
    Stopwatch();
    double ElapsedNs() const;

private:
    LARGE_INTEGER start_ = {};
};

// `library` and `baseline` timed in pairs of samples, each sample a batch of
// calls that lasts options.sampleSeconds at least. Each is called once
// before: what is timed is the steady state. The pairs may be taken in
// rounds spread over the run, so that the interval also holds what changes
// on the machine meanwhile.
class CallComparisonTimer {
public:
    CallComparisonTimer(std::function<void()> library, std::function<void()> baseline, const MeasureOptions& options);
    void TakePairs(int pairs);
    PairedTiming Timing() const;

private:
    std::function<void()> library_;
    std::function<void()> baseline_;
    long long libraryCalls_;
    long long baselineCalls_;
    std::vector<double> libraryNs_;
    std::vector<double> baselineNs_;
};

// A trial prepares its call, times it (Stopwatch) and cleans up; it returns
// the nanoseconds of the timed part. For calls that cost too much to repeat
// without setting them up again, such as the first call in a loaded library:
// a sample runs trials until their timed parts add up to
// options.sampleSeconds, and gives their mean.
using Trial = std::function<double()>;

PairedTiming TimeTrialsAgainstBaseline(const Trial& library, const Trial& baseline, const MeasureOptions& options);

}  // namespace userdata::bench
