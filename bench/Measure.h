// Timing with QueryPerformanceCounter: medians over many samples, the
// library's samples alternating with those of its baseline.
#pragma once

#include <windows.h>

#include <functional>

namespace userdata::bench {

struct MeasureOptions {
    int samples = 31;              // per side
    double sampleSeconds = 0.002;  // the least time a batch of quick calls takes
};

struct Timing {
    double medianNs = 0;  // per call
    double spread = 0;    // interquartile range of the samples / median
};

// Beyond this spread the machine was too busy while a figure was taken for
// it to mean much.
inline constexpr double kNoisySpread = 0.25;

struct PairedTiming {
    Timing library;
    Timing baseline;
    double Ratio() const { return library.medianNs / baseline.medianNs; }
    bool Noisy() const { return library.spread > kNoisySpread || baseline.spread > kNoisySpread; }
};

class Stopwatch {
public:
    Stopwatch();
    double ElapsedNs() const;

private:
    LARGE_INTEGER start_ = {};
};

// Times `library` and `baseline`, each sample a batch of calls long enough
// for the timer's resolution not to matter. Each is called once before: what
// is timed is the steady state. Both functions here take a noisy comparison
// again, up to three times in all, and keep the steadiest.
PairedTiming TimeAgainstBaseline(const std::function<void()>& library, const std::function<void()>& baseline,
                                 const MeasureOptions& options);

// A trial prepares its call, times it (Stopwatch) and cleans up; it returns
// the nanoseconds of the timed part. For calls that cost too much to repeat
// without setting them up again, such as the first call in a loaded library.
using Trial = std::function<double()>;

PairedTiming TimeTrialsAgainstBaseline(const Trial& library, const Trial& baseline, const MeasureOptions& options);

}  // namespace userdata::bench
