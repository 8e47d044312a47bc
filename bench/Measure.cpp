#include "Measure.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace userdata::bench {
namespace {

constexpr long long kMostCallsPerSample = 1LL << 28;
constexpr int kMostAttempts = 3;

double NsPerCall(const std::function<void()>& call, long long calls)
{
    const Stopwatch watch;
    for (long long done = 0; done < calls; ++done) {
        call();
    }
    return watch.ElapsedNs() / static_cast<double>(calls);
}

// The number of calls that takes at least `seconds`, found by growing a trial batch.
long long CallsPerSample(const std::function<void()>& call, double seconds)
{
    const double targetNs = seconds * 1e9;
    long long calls = 1;
    for (;;) {
        const double takenNs = NsPerCall(call, calls) * static_cast<double>(calls);
        if (takenNs >= targetNs || calls >= kMostCallsPerSample) {
            return calls;
        }
        const double growth = takenNs > 0 ? std::clamp(1.2 * targetNs / takenNs, 2.0, 16.0) : 16.0;
        calls = static_cast<long long>(std::ceil(static_cast<double>(calls) * growth));
    }
}

// The value below which `fraction` of the sorted samples lie, interpolated.
double Quantile(const std::vector<double>& sorted, double fraction)
{
    const double position = fraction * static_cast<double>(sorted.size() - 1);
    const auto below = static_cast<std::size_t>(position);
    const std::size_t above = std::min(below + 1, sorted.size() - 1);
    return sorted[below] + (sorted[above] - sorted[below]) * (position - static_cast<double>(below));
}

Timing Summarize(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    const double median = Quantile(samples, 0.5);
    return {median, (Quantile(samples, 0.75) - Quantile(samples, 0.25)) / median};
}

// Samples of the two sides in alternation, so that whatever else the machine
// does at a moment weighs on both alike; each goes first every other time.
PairedTiming Interleave(const Trial& library, const Trial& baseline, int samples)
{
    std::vector<double> libraryNs;
    std::vector<double> baselineNs;
    for (int sample = 0; sample < samples; ++sample) {
        if (sample % 2 == 0) {
            libraryNs.push_back(library());
            baselineNs.push_back(baseline());
        } else {
            baselineNs.push_back(baseline());
            libraryNs.push_back(library());
        }
    }
    return {Summarize(libraryNs), Summarize(baselineNs)};
}

// The larger of the two spreads: how far the comparison can be trusted.
double WorseSpread(const PairedTiming& timing)
{
    return std::max(timing.library.spread, timing.baseline.spread);
}

// A comparison taken while the machine was too busy is taken again; the
// steadiest of the attempts is kept.
PairedTiming Steadiest(const std::function<PairedTiming()>& compare)
{
    PairedTiming steadiest = compare();
    for (int attempt = 1; attempt < kMostAttempts && steadiest.Noisy(); ++attempt) {
        const PairedTiming again = compare();
        if (WorseSpread(again) < WorseSpread(steadiest)) {
            steadiest = again;
        }
    }
    return steadiest;
}

}  // namespace

Stopwatch::Stopwatch()
{
    QueryPerformanceCounter(&start_);
}

double Stopwatch::ElapsedNs() const
{
    LARGE_INTEGER now = {};
    LARGE_INTEGER frequency = {};
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start_.QuadPart) * 1e9 / static_cast<double>(frequency.QuadPart);
}

PairedTiming TimeAgainstBaseline(const std::function<void()>& library, const std::function<void()>& baseline,
                                 const MeasureOptions& options)
{
    library();
    baseline();
    const long long libraryCalls = CallsPerSample(library, options.sampleSeconds);
    const long long baselineCalls = CallsPerSample(baseline, options.sampleSeconds);
    return Steadiest([&] {
        return Interleave([&] { return NsPerCall(library, libraryCalls); },
                          [&] { return NsPerCall(baseline, baselineCalls); }, options.samples);
    });
}

PairedTiming TimeTrialsAgainstBaseline(const Trial& library, const Trial& baseline, const MeasureOptions& options)
{
    library();
    baseline();
    return Steadiest([&] { return Interleave(library, baseline, options.samples); });
}

}  // namespace userdata::bench
