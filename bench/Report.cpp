#include "Report.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace userdata::bench {
namespace {

constexpr char kNoise[] =
    "Noisy numbers: 2 CPU cores shared with other work, and Wine, where every registry call is a round trip "
    "to the wineserver. Expect 10% or more from run to run; read the ratios rather than the times.";

// Beyond this spread the machine was too busy while a figure was taken for
// it to mean much.
constexpr double kNoisySpread = 0.25;
constexpr char kNoisyNote[] = "* a spread above 25%: the machine was too busy for this figure to mean much; "
                              "run again.";

bool Noisy(const PairedTiming& timing)
{
    return timing.library.spread > kNoisySpread || timing.baseline.spread > kNoisySpread;
}

// What one more catalogue entry costs between two sizes, in ns.
double AddedEntryNs(const Timing& from, const Timing& to, int fromEntries, int toEntries)
{
    return (to.medianNs - from.medianNs) / static_cast<double>(toEntries - fromEntries);
}

struct Growth {
    std::optional<double> libraryNs;  // per added entry since the size before
    std::optional<double> baselineNs;
};

Growth GrowthAt(const std::vector<StartupComparison>& startup, std::size_t row)
{
    if (row == 0) {
        return {};
    }
    const StartupComparison& before = startup[row - 1];
    const StartupComparison& at = startup[row];
    return {AddedEntryNs(before.timing.library, at.timing.library, before.entries, at.entries),
            AddedEntryNs(before.timing.baseline, at.timing.baseline, before.entries, at.entries)};
}

// "linear" when an added entry costs the library at most twice as much over
// the last step as over the step before, "faster than linear" otherwise; empty
// with fewer than three sizes, and "too noisy to tell" when the three sizes
// it rests on are not all clear.
std::string GrowthVerdict(const std::vector<StartupComparison>& startup)
{
    if (startup.size() < 3) {
        return "";
    }
    for (std::size_t row = startup.size() - 3; row < startup.size(); ++row) {
        if (Noisy(startup[row].timing)) {
            return "too noisy to tell";
        }
    }
    const double last = *GrowthAt(startup, startup.size() - 1).libraryNs;
    const double before = *GrowthAt(startup, startup.size() - 2).libraryNs;
    return last <= 2 * before ? "linear" : "faster than linear";
}

std::string Number(double value, int decimals)
{
    char text[32] = {};
    std::snprintf(text, sizeof(text), "%.*f", decimals, value);
    return text;
}

std::string Ns(double ns)
{
    return Number(ns, ns < 100 ? 1 : 0);
}

std::string Percent(double fraction)
{
    return Number(100 * fraction, 1) + "%";
}

std::string RatioText(const PairedTiming& timing)
{
    return Number(timing.Ratio(), 2) + (Noisy(timing) ? "*" : " ");
}

std::string JsonText(const std::string& text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

std::string JsonNumber(std::optional<double> value)
{
    return value ? Number(*value, 1) : "null";
}

void PrintCallTable(const std::vector<CallComparison>& calls)
{
    std::printf("%-45s %11s %7s %11s %7s %6s  %s\n", "Call (after start-up)", "library ns", "spread", "baseline ns",
                "spread", "ratio", "baseline");
    for (const CallComparison& row : calls) {
        const PairedTiming& timing = row.timing;
        std::printf("%-45s %11s %7s %11s %7s %6s  %s\n", row.call.c_str(), Ns(timing.library.medianNs).c_str(),
                    Percent(timing.library.spread).c_str(), Ns(timing.baseline.medianNs).c_str(),
                    Percent(timing.baseline.spread).c_str(), RatioText(timing).c_str(), row.baseline.c_str());
    }
}

void PrintStartupTable(const std::vector<StartupComparison>& startup)
{
    std::printf("%-24s %11s %7s %11s %7s %6s %15s %15s\n", "Start-up, catalogue", "library us", "spread",
                "baseline us", "spread", "ratio", "library us/+1", "baseline us/+1");
    for (std::size_t row = 0; row < startup.size(); ++row) {
        const StartupComparison& size = startup[row];
        const Growth growth = GrowthAt(startup, row);
        const std::string shape = std::to_string(size.entries) + (size.entries == 1 ? " entry (" : " entries (") +
                                  std::to_string(size.shape.products) + " x " +
                                  std::to_string(size.shape.languages) + ")";
        std::printf("%-24s %11s %7s %11s %7s %6s %15s %15s\n", shape.c_str(),
                    Number(size.timing.library.medianNs / 1000, 1).c_str(),
                    Percent(size.timing.library.spread).c_str(),
                    Number(size.timing.baseline.medianNs / 1000, 1).c_str(),
                    Percent(size.timing.baseline.spread).c_str(), RatioText(size.timing).c_str(),
                    growth.libraryNs ? Number(*growth.libraryNs / 1000, 2).c_str() : "",
                    growth.baselineNs ? Number(*growth.baselineNs / 1000, 2).c_str() : "");
    }
}

}  // namespace

void PrintTable(const BenchResults& results)
{
    std::printf("UserData benchmark: median time per call, the library beside a baseline timed in the same run "
                "(ratio = library / baseline).\n");
    std::printf("%d samples per side of at least %.1f ms each, library and baseline samples alternating; "
                "spread = interquartile range / median.\n%s\n\n",
                results.options.samples, results.options.sampleSeconds * 1000, kNoise);
    PrintCallTable(results.calls);
    std::printf("\nStart-up: the first call (zvudGetCurrentProduct) in a freshly loaded DLL. Baseline: start-up's "
                "Win32 calls made by hand. Loading and unloading the DLL around each is not timed.\n"
                "us/+1: what one more catalogue entry adds since the size above (products x languages).\n");
    PrintStartupTable(results.startup.bySize);
    const Timing& load = results.startup.loadAndUnload;
    std::printf("Not in these figures: loading and unloading the DLL, %s us (spread %s).\n",
                Number(load.medianNs / 1000, 1).c_str(), Percent(load.spread).c_str());
    const std::vector<StartupComparison>& bySize = results.startup.bySize;
    const std::string verdict = GrowthVerdict(bySize);
    if (verdict == "too noisy to tell") {
        std::printf("Growth with the catalogue: %s.\n", verdict.c_str());
    } else if (!verdict.empty()) {
        const std::size_t last = bySize.size() - 1;
        std::printf("Growth with the catalogue: %s (one more entry costs the library %s us from %d to %d entries, "
                    "%s us from %d to %d).\n",
                    verdict.c_str(), Number(*GrowthAt(bySize, last).libraryNs / 1000, 2).c_str(),
                    bySize[last - 1].entries, bySize[last].entries,
                    Number(*GrowthAt(bySize, last - 1).libraryNs / 1000, 2).c_str(), bySize[last - 2].entries,
                    bySize[last - 1].entries);
    }
    const bool anyNoisy =
        std::any_of(results.calls.begin(), results.calls.end(), [](const auto& row) { return Noisy(row.timing); }) ||
        std::any_of(bySize.begin(), bySize.end(), [](const auto& row) { return Noisy(row.timing); });
    if (anyNoisy) {
        std::printf("%s\n", kNoisyNote);
    }
}

void PrintJson(const BenchResults& results)
{
    std::printf("{\n  \"unit\": \"ns per call, median\",\n  \"samples_per_side\": %d,\n  \"sample_seconds\": %g,\n"
                "  \"note\": %s,\n  \"calls\": [\n",
                results.options.samples, results.options.sampleSeconds, JsonText(kNoise).c_str());
    for (std::size_t row = 0; row < results.calls.size(); ++row) {
        const CallComparison& call = results.calls[row];
        std::printf("    {\"call\": %s, \"baseline\": %s, \"library_ns\": %s, \"library_spread\": %.3f, "
                    "\"baseline_ns\": %s, \"baseline_spread\": %.3f, \"ratio\": %.3f, \"noisy\": %s}%s\n",
                    JsonText(call.call).c_str(), JsonText(call.baseline).c_str(),
                    JsonNumber(call.timing.library.medianNs).c_str(), call.timing.library.spread,
                    JsonNumber(call.timing.baseline.medianNs).c_str(), call.timing.baseline.spread,
                    call.timing.Ratio(), Noisy(call.timing) ? "true" : "false",
                    row + 1 < results.calls.size() ? "," : "");
    }
    const Timing& load = results.startup.loadAndUnload;
    std::printf("  ],\n  \"load_and_unload_ns\": %s,\n  \"load_and_unload_spread\": %.3f,\n  \"startup\": [\n",
                JsonNumber(load.medianNs).c_str(), load.spread);
    const std::vector<StartupComparison>& bySize = results.startup.bySize;
    for (std::size_t row = 0; row < bySize.size(); ++row) {
        const StartupComparison& size = bySize[row];
        const Growth growth = GrowthAt(bySize, row);
        std::printf("    {\"entries\": %d, \"products\": %d, \"languages\": %d, \"library_ns\": %s, "
                    "\"library_spread\": %.3f, \"baseline_ns\": %s, \"baseline_spread\": %.3f, \"ratio\": %.3f, "
                    "\"noisy\": %s, \"library_ns_per_added_entry\": %s, \"baseline_ns_per_added_entry\": %s}%s\n",
                    size.entries, size.shape.products, size.shape.languages,
                    JsonNumber(size.timing.library.medianNs).c_str(), size.timing.library.spread,
                    JsonNumber(size.timing.baseline.medianNs).c_str(), size.timing.baseline.spread,
                    size.timing.Ratio(), Noisy(size.timing) ? "true" : "false", JsonNumber(growth.libraryNs).c_str(),
                    JsonNumber(growth.baselineNs).c_str(),
                    row + 1 < bySize.size() ? "," : "");
    }
    const std::string verdict = GrowthVerdict(bySize);
    std::printf("  ],\n  \"startup_growth\": %s\n}\n", verdict.empty() ? "null" : JsonText(verdict).c_str());
}

}  // namespace userdata::bench
