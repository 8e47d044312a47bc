#include "Measure.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

namespace userdata::bench {
namespace {

constexpr long long kMostCallsPerSample = 1LL << 28;
constexpr int kResamples = 2000;
constexpr double kTailFraction = 0.025;  // each side of the 95% interval

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

// Trials until their timed parts add up to `seconds`: the mean of their times.
double NsPerTrial(const Trial& trial, double seconds)
{
    double totalNs = 0;
    long long trials = 0;
    do {
        totalNs += trial();
        ++trials;
    } while (totalNs < seconds * 1e9);
    return totalNs / static_cast<double>(trials);
}

double Median(std::vector<double> values)
{
    const std::size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle), values.end());
    const double upper = values[middle];
    if (values.size() % 2 == 1) {
        return upper;
    }
    return (upper + *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle))) / 2;
}

// A fixed sequence of pseudo-random numbers (xorshift64*): the same samples
// give the same interval in every run.
class Resampler {
public:
    std::size_t Index(std::size_t count)
    {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return static_cast<std::size_t>((state_ * 0x2545F4914F6CDD1DULL) >> 33) % count;
    }

private:
    std::uint64_t state_ = 0x9E3779B97F4A7C15ULL;
};

// The median of `values`, and the 2.5% and 97.5% quantiles of the medians of
// kResamples resamples drawn with replacement.
Estimate BootstrapMedian(const std::vector<double>& values)
{
    Resampler resampler;
    std::vector<double> medians;
    std::vector<double> resample(values.size());
    for (int round = 0; round < kResamples; ++round) {
        for (double& value : resample) {
            value = values[resampler.Index(values.size())];
        }
        medians.push_back(Median(resample));
    }
    std::sort(medians.begin(), medians.end());
    const auto tail = static_cast<std::size_t>(kTailFraction * kResamples);
    return {medians[tail], Median(values), medians[medians.size() - 1 - tail]};
}

// Samples of the two sides in pairs, so that whatever else the machine does
// at a moment weighs on both alike; each side goes first every other time.
void TakePairs(const std::function<double()>& library, const std::function<double()>& baseline, int pairs,
               std::vector<double>& libraryNs, std::vector<double>& baselineNs)
{
    for (int pair = 0; pair < pairs; ++pair) {
        if (libraryNs.size() % 2 == 0) {
            libraryNs.push_back(library());
            baselineNs.push_back(baseline());
        } else {
            baselineNs.push_back(baseline());
            libraryNs.push_back(library());
        }
    }
}

PairedTiming Summarize(const std::vector<double>& libraryNs, const std::vector<double>& baselineNs)
{
    std::vector<double> ratios;
    for (std::size_t pair = 0; pair < libraryNs.size(); ++pair) {
        ratios.push_back(libraryNs[pair] / baselineNs[pair]);
    }
    return {BootstrapMedian(libraryNs), BootstrapMedian(baselineNs), BootstrapMedian(ratios)};
}

}  // namespace

std::string Verdict(const Estimate& estimate, double most)
{
    if (estimate.high <= most) {
        return "meets";
    }
    return estimate.low > most ? "misses" : "cannot tell";
}

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

CallComparisonTimer::CallComparisonTimer(std::function<void()> library, std::function<void()> baseline,
                                         const MeasureOptions& options)
    : library_(std::move(library)), baseline_(std::move(baseline))
{
    library_();
    baseline_();
    libraryCalls_ = CallsPerSample(library_, options.sampleSeconds);
    baselineCalls_ = CallsPerSample(baseline_, options.sampleSeconds);
}

void CallComparisonTimer::TakePairs(int pairs)
{
    userdata::bench::TakePairs([this] { return NsPerCall(library_, libraryCalls_); },
                               [this] { return NsPerCall(baseline_, baselineCalls_); }, pairs, libraryNs_, baselineNs_);
}

PairedTiming CallComparisonTimer::Timing() const
{
    return Summarize(libraryNs_, baselineNs_);
}

PairedTiming TimeTrialsAgainstBaseline(const Trial& library, const Trial& baseline, const MeasureOptions& options)
{
    library();
    baseline();
    std::vector<double> libraryNs;
    std::vector<double> baselineNs;
    TakePairs([&] { return NsPerTrial(library, options.sampleSeconds); },
              [&] { return NsPerTrial(baseline, options.sampleSeconds); }, options.pairs, libraryNs, baselineNs);
    return Summarize(libraryNs, baselineNs);
}

}  // namespace userdata::bench
