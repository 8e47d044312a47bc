#include "Report.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace userdata::bench {
namespace {

constexpr char kMethod[] =
    "Each sample lasts %.0f ms at least (a batch of calls, or of trials for start-up and loading); %d samples a "
    "side, the library's and the baseline's taken in pairs, each side first every other time. ratio = the median "
    "of the pairs' ratios library / baseline; interval = its 95%% bootstrap interval. A row meets its goal when "
    "the whole interval lies at or below it, misses it when the whole interval lies above it, and cannot tell "
    "otherwise.";
constexpr char kLoadBaseline[] = "a trivial DLL with the same imports";

// One comparison with a baseline, judged against its goal.
struct RatioRow {
    std::string section;  // "call", "load" or "start-up"
    std::string label;
    std::string baseline;
    double goal;
    PairedTiming timing;
};

std::string SizeName(const StartupComparison& size)
{
    return std::to_string(size.entries) + (size.entries == 1 ? " entry (" : " entries (") +
           std::to_string(size.shape.products) + " x " + std::to_string(size.shape.languages) + ")";
}

// The label of a call: its name, and its baseline where the name stands in more than one row.
std::string CallLabel(const std::vector<CallComparison>& calls, const CallComparison& call)
{
    const auto same = std::count_if(calls.begin(), calls.end(), [&](const auto& row) { return row.call == call.call; });
    return same > 1 ? call.call + " vs " + call.baseline : call.call;
}

// Every comparison in the order the benchmark takes them.
std::vector<RatioRow> RatioRows(const BenchResults& results)
{
    std::vector<RatioRow> rows;
    for (const CallComparison& call : results.calls) {
        rows.push_back({"call", CallLabel(results.calls, call), call.baseline, call.goal, call.timing});
    }
    rows.push_back({"load", "load and unload UserData.dll", kLoadBaseline, kLoadGoal, results.load.timing});
    for (const StartupComparison& size : results.startup) {
        rows.push_back(
            {"start-up", "start-up, " + SizeName(size), "start-up's Win32 calls by hand", kStartupGoal, size.timing});
    }
    return rows;
}

// What one more catalogue entry adds between the size before `row` and the
// size at it, as an interval from the two sizes' intervals.
Estimate AddedPerEntry(const std::vector<StartupComparison>& startup, std::size_t row)
{
    const Estimate& before = startup[row - 1].timing.libraryNs;
    const Estimate& at = startup[row].timing.libraryNs;
    const double entries = static_cast<double>(startup[row].entries - startup[row - 1].entries);
    return {(at.low - before.high) / entries, (at.median - before.median) / entries, (at.high - before.low) / entries};
}

// Start-up grows linearly when one more entry costs at most twice as much
// over the last step between sizes as over the step before.
std::string TimeGrowthVerdict(const std::vector<StartupComparison>& startup)
{
    if (startup.size() < 3) {
        return "cannot tell";
    }
    const Estimate last = AddedPerEntry(startup, startup.size() - 1);
    const Estimate before = AddedPerEntry(startup, startup.size() - 2);
    if (before.low > 0 && last.high <= 2 * before.low) {
        return "meets";
    }
    return last.low > 2 * before.high ? "misses" : "cannot tell";
}

// The same rule for start-up's heap use, whose counts are exact.
std::string HeapGrowthVerdict(const std::vector<StartupComparison>& startup)
{
    if (startup.size() < 3) {
        return "cannot tell";
    }
    const auto added = [&startup](std::size_t row, auto measure) {
        return static_cast<double>(measure(startup[row].heap) - measure(startup[row - 1].heap)) /
               (startup[row].entries - startup[row - 1].entries);
    };
    const auto linear = [&](auto measure) {
        return added(startup.size() - 1, measure) <= 2 * added(startup.size() - 2, measure);
    };
    const bool both = linear([](const HeapUse& heap) { return static_cast<double>(heap.allocations); }) &&
                      linear([](const HeapUse& heap) { return static_cast<double>(heap.bytes); });
    return both ? "meets" : "misses";
}

// The goals that are not a ratio to a baseline: each a name, what was found, and the verdict.
struct CountedGoal {
    std::string goal;
    std::string found;
    std::string verdict;
};

std::vector<CountedGoal> CountedGoals(const BenchResults& results)
{
    const LoadCosts& load = results.load;
    const bool keepsNothing = load.libraryBytesPerCycle <= load.trivialBytesPerCycle;
    return {
        {"start-up grows linearly with the catalogue", "see the start-up rows", TimeGrowthVerdict(results.startup)},
        {"start-up's heap use grows linearly with the catalogue", "see the heap table",
         HeapGrowthVerdict(results.startup)},
        {"load and unload keep no memory beyond the trivial DLL's",
         std::to_string(load.libraryBytesPerCycle) + " bytes a cycle (trivial DLL " +
             std::to_string(load.trivialBytesPerCycle) + ")",
         keepsNothing ? "meets" : "misses"},
        {"the folder exports allocate nothing on the heap",
         std::to_string(results.folderHeap.allocations) + " allocations",
         results.folderHeap.allocations == 0 ? "meets" : "misses"},
    };
}

std::string Number(double value, int decimals)
{
    char text[32] = {};
    std::snprintf(text, sizeof(text), "%.*f", decimals, value);
    return text;
}

// A time in the unit that suits it.
std::string Time(double ns)
{
    if (ns < 10'000) {
        return Number(ns, ns < 100 ? 1 : 0) + " ns";
    }
    return ns < 10'000'000 ? Number(ns / 1e3, 1) + " us" : Number(ns / 1e6, 2) + " ms";
}

std::string IntervalText(const Estimate& estimate)
{
    return Number(estimate.low, 2) + "-" + Number(estimate.high, 2);
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

std::string JsonEstimate(const char* name, const Estimate& estimate, int decimals)
{
    char text[160] = {};
    std::snprintf(text, sizeof(text), "\"%s\": %.*f, \"%s_interval\": [%.*f, %.*f]", name, decimals, estimate.median,
                  name, decimals, estimate.low, decimals, estimate.high);
    return text;
}

void PrintRatioTable(const std::vector<RatioRow>& rows)
{
    std::size_t width = 0;
    for (const RatioRow& row : rows) {
        width = std::max(width, row.label.size());
    }
    const int labelWidth = static_cast<int>(width);
    std::printf("%-*s %10s %10s %6s %11s %5s  %-12s %s\n", labelWidth, "Comparison", "library", "baseline", "ratio",
                "interval", "goal", "verdict", "baseline");
    std::string section;
    for (const RatioRow& row : rows) {
        if (row.section != section && !section.empty()) {
            std::printf("\n");
        }
        section = row.section;
        const PairedTiming& timing = row.timing;
        std::printf("%-*s %10s %10s %6s %11s %5s  %-12s %s\n", labelWidth, row.label.c_str(),
                    Time(timing.libraryNs.median).c_str(), Time(timing.baselineNs.median).c_str(),
                    Number(timing.ratio.median, 2).c_str(), IntervalText(timing.ratio).c_str(),
                    Number(row.goal, 2).c_str(), Verdict(timing.ratio, row.goal).c_str(), row.baseline.c_str());
    }
}

void PrintGrowthTable(const std::vector<StartupComparison>& startup)
{
    std::printf(
        "\nStart-up by catalogue size: the first call (zvudGetCurrentProduct) in a freshly loaded DLL, its time "
        "interval, what one more entry adds since the size above, and its heap use (allocations at the "
        "library's own heap imports, the bytes they ask for).\n");
    std::printf("%-24s %17s %15s %11s %11s\n", "Catalogue", "library us", "us per +1", "allocations", "bytes");
    for (std::size_t row = 0; row < startup.size(); ++row) {
        const StartupComparison& size = startup[row];
        const Estimate& ns = size.timing.libraryNs;
        const std::string added = row == 0 ? "" : Number(AddedPerEntry(startup, row).median / 1e3, 2);
        std::printf("%-24s %17s %15s %11ld %11llu\n", SizeName(size).c_str(),
                    (Number(ns.median / 1e3, 1) + " (" + Number(ns.low / 1e3, 1) + "-" + Number(ns.high / 1e3, 1) + ")")
                        .c_str(),
                    added.c_str(), size.heap.allocations, size.heap.bytes);
    }
}

void PrintCountedGoals(const BenchResults& results)
{
    std::printf("\n%-58s %-40s %s\n", "Goal", "found", "verdict");
    for (const CountedGoal& goal : CountedGoals(results)) {
        std::printf("%-58s %-40s %s\n", goal.goal.c_str(), goal.found.c_str(), goal.verdict.c_str());
    }
    std::printf("Modules that loading the library brings in and loading the trivial DLL does not: %zu.\n",
                results.load.extraModules.size());
}

void PrintJsonRows(const std::vector<RatioRow>& rows)
{
    std::printf("  \"rows\": [\n");
    for (std::size_t index = 0; index < rows.size(); ++index) {
        const RatioRow& row = rows[index];
        std::printf(
            "    {\"section\": %s, \"row\": %s, \"baseline\": %s, %s, %s, %s, \"goal\": %.2f, \"verdict\": %s}%s\n",
            JsonText(row.section).c_str(), JsonText(row.label).c_str(), JsonText(row.baseline).c_str(),
            JsonEstimate("library_ns", row.timing.libraryNs, 1).c_str(),
            JsonEstimate("baseline_ns", row.timing.baselineNs, 1).c_str(),
            JsonEstimate("ratio", row.timing.ratio, 3).c_str(), row.goal,
            JsonText(Verdict(row.timing.ratio, row.goal)).c_str(), index + 1 < rows.size() ? "," : "");
    }
    std::printf("  ],\n");
}

void PrintJsonGrowth(const std::vector<StartupComparison>& startup)
{
    std::printf("  \"startup_heap\": [\n");
    for (std::size_t row = 0; row < startup.size(); ++row) {
        const StartupComparison& size = startup[row];
        std::printf(
            "    {\"entries\": %d, \"products\": %d, \"languages\": %d, \"allocations\": %ld, \"bytes\": %llu}%s\n",
            size.entries, size.shape.products, size.shape.languages, size.heap.allocations, size.heap.bytes,
            row + 1 < startup.size() ? "," : "");
    }
    std::printf("  ],\n");
}

void PrintJsonCountedGoals(const BenchResults& results)
{
    const std::vector<CountedGoal> goals = CountedGoals(results);
    std::printf("  \"goals\": [\n");
    for (std::size_t index = 0; index < goals.size(); ++index) {
        std::printf("    {\"goal\": %s, \"found\": %s, \"verdict\": %s}%s\n", JsonText(goals[index].goal).c_str(),
                    JsonText(goals[index].found).c_str(), JsonText(goals[index].verdict).c_str(),
                    index + 1 < goals.size() ? "," : "");
    }
    std::printf("  ]\n");
}

void WriteStartupPanel(std::FILE* script, const std::vector<StartupComparison>& startup)
{
    std::fprintf(script, "$STARTUP << EOD\n");
    for (const StartupComparison& size : startup) {
        const Estimate& library = size.timing.libraryNs;
        const Estimate& baseline = size.timing.baselineNs;
        std::fprintf(script, "%d %.1f %.1f %.1f %.1f %.1f %.1f\n", size.entries, library.median / 1e3,
                     library.low / 1e3, library.high / 1e3, baseline.median / 1e3, baseline.low / 1e3,
                     baseline.high / 1e3);
    }
    std::fprintf(script,
                 "EOD\n"
                 "set origin 0,0.7\nset size 1,0.3\nset title \"Start-up by catalogue size (bars: 95%% intervals)\"\n"
                 "set logscale xy\nset xlabel \"catalogue entries\"\nset ylabel \"microseconds\"\n"
                 "set key top left\nset grid\n"
                 "plot $STARTUP using 1:2:3:4 with yerrorlines lw 2 pt 7 title \"library: first call\", "
                 "$STARTUP using 1:5:6:7 with yerrorlines lw 2 pt 7 title \"baseline: its Win32 calls by hand\"\n"
                 "unset logscale\nunset grid\n");
}

void WriteRatioPanel(std::FILE* script, const std::vector<RatioRow>& rows)
{
    std::fprintf(script, "$RATIOS << EOD\n");
    for (const RatioRow& row : rows) {
        std::fprintf(script, "%s %.3f %.3f %.3f %.2f\n",
                     JsonText(row.label + " (" + Verdict(row.timing.ratio, row.goal) + ")").c_str(),
                     row.timing.ratio.median, row.timing.ratio.low, row.timing.ratio.high, row.goal);
    }
    std::fprintf(script,
                 "EOD\n"
                 "set origin 0,0\nset size 1,0.7\n"
                 "set title \"Library / baseline: ratio, 95%% interval, goal\"\n"
                 "set xlabel \"ratio\"\nunset ylabel\nset yrange [%zu.6:-0.6]\nset xrange [0:*]\n"
                 "set ytics scale 0\nset xtics nomirror\nset grid xtics\nset style fill solid 0.4\n"
                 "set arrow 1 from 1, graph 0 to 1, graph 1 nohead dt 2 lw 1\nset key outside top center horizontal\n"
                 "plot $RATIOS using ($2/2):0:($2/2):(0.3):yticlabels(1) with boxxyerror notitle, "
                 "$RATIOS using 2:0:3:4 with xerrorbars lw 2 pt 7 ps 0.6 lc rgb \"black\" title \"95%% interval\", "
                 "$RATIOS using 5:0 with points pt 3 ps 1.5 lc rgb \"red\" title \"goal\"\n",
                 rows.size() - 1);
}

}  // namespace

void PrintTable(const BenchResults& results)
{
    std::printf(
        "UserData benchmark: the library beside a baseline timed in the same run, each row against its goal.\n");
    std::printf(kMethod, results.options.sampleSeconds * 1000, results.options.pairs);
    std::printf("\n\n");
    PrintRatioTable(RatioRows(results));
    PrintGrowthTable(results.startup);
    PrintCountedGoals(results);
    std::printf(
        "Heap use of the folder exports after start-up, every folder through each: %ld allocations, "
        "%llu bytes.\n",
        results.folderHeap.allocations, results.folderHeap.bytes);
}

void PrintJson(const BenchResults& results)
{
    char method[1024] = {};
    std::snprintf(method, sizeof(method), kMethod, results.options.sampleSeconds * 1000, results.options.pairs);
    std::printf("{\n  \"pairs\": %d,\n  \"sample_seconds\": %g,\n  \"method\": %s,\n", results.options.pairs,
                results.options.sampleSeconds, JsonText(method).c_str());
    PrintJsonRows(RatioRows(results));
    PrintJsonGrowth(results.startup);
    std::printf("  \"folder_heap\": {\"allocations\": %ld, \"bytes\": %llu},\n", results.folderHeap.allocations,
                results.folderHeap.bytes);
    PrintJsonCountedGoals(results);
    std::printf("}\n");
}

bool WritePlotScript(const BenchResults& results, const char* file)
{
    std::FILE* const script = std::fopen(file, "w");
    if (script == nullptr) {
        return false;
    }
    std::fprintf(script,
                 "# The UserData benchmark's figures, drawn by gnuplot (scripts/bench --plot FILE.svg).\n"
                 "set terminal svg size 1100,1200 font \"sans,11\" background \"white\"\n"
                 "set termoption noenhanced\nset multiplot\n");
    WriteStartupPanel(script, results.startup);
    WriteRatioPanel(script, RatioRows(results));
    std::fprintf(script, "unset multiplot\n");
    return std::fclose(script) == 0;
}

}  // namespace userdata::bench
