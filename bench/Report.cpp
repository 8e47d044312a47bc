#include "Report.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace userdata::bench {
namespace {

constexpr char kNoise[] =
    "Noisy numbers: 2 CPU cores shared with other work, and Wine, where every registry call is a round trip "
    "to the wineserver. Expect 10% or more from run to run; read the ratios rather than the times.";
constexpr char kLoadBaseline[] = "a trivial DLL with the same imports";

constexpr char kNoisyNote[] =
    "* a spread above 25% in each of three attempts: the machine was too busy for this "
    "figure to mean much; run again.";

bool Noisy(const PairedTiming& timing)
{
    return timing.Noisy();
}

// What one more catalogue entry adds between the size before `row` and the
// size at it, by `measure`; nothing for the first row.
template <typename Measure>
std::optional<double> AddedPerEntry(const std::vector<StartupComparison>& startup, std::size_t row, Measure measure)
{
    if (row == 0) {
        return std::nullopt;
    }
    const StartupComparison& before = startup[row - 1];
    const StartupComparison& at = startup[row];
    return (measure(at) - measure(before)) / static_cast<double>(at.entries - before.entries);
}

double LibraryNs(const StartupComparison& size)
{
    return size.timing.library.medianNs;
}

double BaselineNs(const StartupComparison& size)
{
    return size.timing.baseline.medianNs;
}

double Allocations(const StartupComparison& size)
{
    return static_cast<double>(size.heap.allocations);
}

double Bytes(const StartupComparison& size)
{
    return static_cast<double>(size.heap.bytes);
}

// "linear" when one more entry costs at most twice as much over the last step
// between sizes as over the step before, by every one of `measures`; "faster
// than linear" otherwise; empty with fewer than three sizes.
template <typename... Measures>
std::string GrowthVerdict(const std::vector<StartupComparison>& startup, Measures... measures)
{
    if (startup.size() < 3) {
        return "";
    }
    const std::size_t last = startup.size() - 1;
    const bool linear =
        ((*AddedPerEntry(startup, last, measures) <= 2 * *AddedPerEntry(startup, last - 1, measures)) && ...);
    return linear ? "linear" : "faster than linear";
}

// The timing verdict, "too noisy to tell" when the three sizes it rests on are not all clear.
std::string TimeGrowthVerdict(const std::vector<StartupComparison>& startup)
{
    for (std::size_t row = startup.size() >= 3 ? startup.size() - 3 : startup.size(); row < startup.size(); ++row) {
        if (Noisy(startup[row].timing)) {
            return "too noisy to tell";
        }
    }
    return GrowthVerdict(startup, &LibraryNs);
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

std::string Us(double ns)
{
    return Number(ns / 1000, 1);
}

std::string Percent(double fraction)
{
    return Number(100 * fraction, 1) + "%";
}

std::string RatioText(const PairedTiming& timing)
{
    return Number(timing.Ratio(), 2) + (Noisy(timing) ? "*" : " ");
}

std::string OptionalNumber(std::optional<double> value, double scale, int decimals)
{
    return value ? Number(*value / scale, decimals) : "";
}

std::string SizeName(const StartupComparison& size)
{
    return std::to_string(size.entries) + (size.entries == 1 ? " entry (" : " entries (") +
           std::to_string(size.shape.products) + " x " + std::to_string(size.shape.languages) + ")";
}

std::string ModuleList(const std::vector<std::string>& modules)
{
    std::string list;
    for (const std::string& name : modules) {
        list += (list.empty() ? "" : ", ") + name;
    }
    return list.empty() ? "none" : list;
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

std::string JsonTiming(const PairedTiming& timing)
{
    char text[256] = {};
    std::snprintf(text, sizeof(text),
                  "\"library_ns\": %s, \"library_spread\": %.3f, \"baseline_ns\": %s, \"baseline_spread\": %.3f, "
                  "\"ratio\": %.3f, \"noisy\": %s",
                  JsonNumber(timing.library.medianNs).c_str(), timing.library.spread,
                  JsonNumber(timing.baseline.medianNs).c_str(), timing.baseline.spread, timing.Ratio(),
                  Noisy(timing) ? "true" : "false");
    return text;
}

// The label of a call in the picture: its name, and its baseline where the
// name stands in more than one row.
std::string CallLabel(const std::vector<CallComparison>& calls, const CallComparison& call)
{
    const auto same = std::count_if(calls.begin(), calls.end(), [&](const auto& row) { return row.call == call.call; });
    return same > 1 ? call.call + " vs " + call.baseline : call.call;
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

std::vector<std::pair<const char*, PairedTiming>> LoadRows(const LoadCosts& load)
{
    return {{"UserData.dll", load.timing}};
}

void PrintLoadTable(const LoadCosts& load)
{
    std::printf("\nLoading: LoadLibraryW + FreeLibrary, the imported system DLLs loaded already. Baseline: %s.\n",
                kLoadBaseline);
    std::printf("%-34s %11s %7s %11s %7s %6s\n", "Load and unload", "library us", "spread", "baseline us", "spread",
                "ratio");
    for (const auto& [name, timing] : LoadRows(load)) {
        std::printf("%-34s %11s %7s %11s %7s %6s\n", name, Us(timing.library.medianNs).c_str(),
                    Percent(timing.library.spread).c_str(), Us(timing.baseline.medianNs).c_str(),
                    Percent(timing.baseline.spread).c_str(), RatioText(timing).c_str());
    }
    std::printf("Modules that loading the library brings in and loading the trivial DLL does not: %s.\n",
                ModuleList(load.extraModules).c_str());
    std::printf(
        "Committed private memory left behind per load and unload: UserData.dll %lld bytes, a trivial C++ "
        "DLL linked the same way %lld bytes, the trivial C DLL %lld bytes.\n",
        load.libraryBytesPerCycle, load.trivialCppBytesPerCycle, load.trivialBytesPerCycle);
}

void PrintStartupTable(const std::vector<StartupComparison>& startup)
{
    std::printf(
        "\nStart-up: the first call (zvudGetCurrentProduct) in a freshly loaded DLL. Baseline: start-up's "
        "Win32 calls made by hand. Loading and unloading the DLL around each is not timed.\n"
        "us/+1: what one more catalogue entry adds since the size above (products x languages).\n");
    std::printf("%-24s %11s %7s %11s %7s %6s %15s %15s\n", "Start-up, catalogue", "library us", "spread", "baseline us",
                "spread", "ratio", "library us/+1", "baseline us/+1");
    for (std::size_t row = 0; row < startup.size(); ++row) {
        const StartupComparison& size = startup[row];
        std::printf("%-24s %11s %7s %11s %7s %6s %15s %15s\n", SizeName(size).c_str(),
                    Us(size.timing.library.medianNs).c_str(), Percent(size.timing.library.spread).c_str(),
                    Us(size.timing.baseline.medianNs).c_str(), Percent(size.timing.baseline.spread).c_str(),
                    RatioText(size.timing).c_str(),
                    OptionalNumber(AddedPerEntry(startup, row, &LibraryNs), 1000, 2).c_str(),
                    OptionalNumber(AddedPerEntry(startup, row, &BaselineNs), 1000, 2).c_str());
    }
    const std::string verdict = TimeGrowthVerdict(startup);
    if (verdict == "too noisy to tell") {
        std::printf("Growth with the catalogue: %s.\n", verdict.c_str());
    } else if (!verdict.empty()) {
        const std::size_t last = startup.size() - 1;
        std::printf(
            "Growth with the catalogue: %s (one more entry costs the library %s us from %d to %d entries, "
            "%s us from %d to %d).\n",
            verdict.c_str(), OptionalNumber(AddedPerEntry(startup, last, &LibraryNs), 1000, 2).c_str(),
            startup[last - 1].entries, startup[last].entries,
            OptionalNumber(AddedPerEntry(startup, last - 1, &LibraryNs), 1000, 2).c_str(), startup[last - 2].entries,
            startup[last - 1].entries);
    }
}

void PrintHeapTable(const std::vector<StartupComparison>& startup)
{
    std::printf(
        "\nStart-up's heap use: the allocations the library makes itself (at its heap imports) and the bytes "
        "they ask for; /+1: what one more entry adds since the size above.\n");
    std::printf("%-24s %11s %11s %11s %11s %11s %11s\n", "Heap use, catalogue", "allocations", "bytes", "allocs/entry",
                "bytes/entry", "allocs/+1", "bytes/+1");
    for (std::size_t row = 0; row < startup.size(); ++row) {
        const StartupComparison& size = startup[row];
        std::printf("%-24s %11ld %11llu %11s %11s %11s %11s\n", SizeName(size).c_str(), size.heap.allocations,
                    size.heap.bytes, Number(Allocations(size) / size.entries, 1).c_str(),
                    Number(Bytes(size) / size.entries, 0).c_str(),
                    OptionalNumber(AddedPerEntry(startup, row, &Allocations), 1, 1).c_str(),
                    OptionalNumber(AddedPerEntry(startup, row, &Bytes), 1, 0).c_str());
    }
    const std::string verdict = GrowthVerdict(startup, &Allocations, &Bytes);
    if (!verdict.empty()) {
        std::printf("Heap use with the catalogue: %s.\n", verdict.c_str());
    }
}

bool AnyNoisy(const BenchResults& results)
{
    return Noisy(results.load.timing) ||
           std::any_of(results.calls.begin(), results.calls.end(), [](const auto& row) { return Noisy(row.timing); }) ||
           std::any_of(results.startup.begin(), results.startup.end(),
                       [](const auto& row) { return Noisy(row.timing); });
}

void PrintJsonCalls(const std::vector<CallComparison>& calls)
{
    std::printf("  \"calls\": [\n");
    for (std::size_t row = 0; row < calls.size(); ++row) {
        std::printf("    {\"call\": %s, \"baseline\": %s, %s}%s\n", JsonText(calls[row].call).c_str(),
                    JsonText(calls[row].baseline).c_str(), JsonTiming(calls[row].timing).c_str(),
                    row + 1 < calls.size() ? "," : "");
    }
    std::printf("  ],\n");
}

void PrintJsonLoad(const LoadCosts& load)
{
    std::string modules;
    for (const std::string& name : load.extraModules) {
        modules += (modules.empty() ? "" : ", ") + JsonText(name);
    }
    std::printf("  \"load\": [\n");
    const auto rows = LoadRows(load);
    for (std::size_t row = 0; row < rows.size(); ++row) {
        std::printf("    {\"library\": %s, \"baseline\": %s, %s}%s\n", JsonText(rows[row].first).c_str(),
                    JsonText(kLoadBaseline).c_str(), JsonTiming(rows[row].second).c_str(),
                    row + 1 < rows.size() ? "," : "");
    }
    std::printf("  ],\n  \"load_extra_modules\": [%s],\n", modules.c_str());
    std::printf(
        "  \"load_committed_bytes_per_cycle\": {\"library\": %lld, \"trivial_cpp\": %lld, \"trivial_c\": %lld},\n",
        load.libraryBytesPerCycle, load.trivialCppBytesPerCycle, load.trivialBytesPerCycle);
}

void PrintJsonStartup(const std::vector<StartupComparison>& startup)
{
    std::printf("  \"startup\": [\n");
    for (std::size_t row = 0; row < startup.size(); ++row) {
        const StartupComparison& size = startup[row];
        std::printf(
            "    {\"entries\": %d, \"products\": %d, \"languages\": %d, %s, "
            "\"library_ns_per_added_entry\": %s, \"baseline_ns_per_added_entry\": %s}%s\n",
            size.entries, size.shape.products, size.shape.languages, JsonTiming(size.timing).c_str(),
            JsonNumber(AddedPerEntry(startup, row, &LibraryNs)).c_str(),
            JsonNumber(AddedPerEntry(startup, row, &BaselineNs)).c_str(), row + 1 < startup.size() ? "," : "");
    }
    const std::string verdict = TimeGrowthVerdict(startup);
    std::printf("  ],\n  \"startup_growth\": %s,\n", verdict.empty() ? "null" : JsonText(verdict).c_str());
}

void PrintJsonHeap(const std::vector<StartupComparison>& startup)
{
    std::printf("  \"startup_heap\": [\n");
    for (std::size_t row = 0; row < startup.size(); ++row) {
        const StartupComparison& size = startup[row];
        std::printf(
            "    {\"entries\": %d, \"allocations\": %ld, \"bytes\": %llu, \"allocations_per_entry\": %s, "
            "\"bytes_per_entry\": %s, \"allocations_per_added_entry\": %s, \"bytes_per_added_entry\": %s}%s\n",
            size.entries, size.heap.allocations, size.heap.bytes, JsonNumber(Allocations(size) / size.entries).c_str(),
            JsonNumber(Bytes(size) / size.entries).c_str(),
            JsonNumber(AddedPerEntry(startup, row, &Allocations)).c_str(),
            JsonNumber(AddedPerEntry(startup, row, &Bytes)).c_str(), row + 1 < startup.size() ? "," : "");
    }
    const std::string verdict = GrowthVerdict(startup, &Allocations, &Bytes);
    std::printf("  ],\n  \"heap_growth\": %s\n", verdict.empty() ? "null" : JsonText(verdict).c_str());
}

// Every comparison as a label and its ratio, noisy ones marked with "*".
std::vector<std::pair<std::string, double>> RatioRows(const BenchResults& results)
{
    std::vector<std::pair<std::string, double>> rows;
    const auto add = [&rows](const std::string& label, const PairedTiming& timing) {
        rows.emplace_back(label + (Noisy(timing) ? " *" : ""), timing.Ratio());
    };
    for (const CallComparison& call : results.calls) {
        add(CallLabel(results.calls, call), call.timing);
    }
    for (const auto& [name, timing] : LoadRows(results.load)) {
        add(std::string("load and unload, ") + name, timing);
    }
    for (const StartupComparison& size : results.startup) {
        add("start-up, " + SizeName(size), size.timing);
    }
    return rows;
}

void WriteStartupPanel(std::FILE* script, const std::vector<StartupComparison>& startup)
{
    std::fprintf(script, "$STARTUP << EOD\n");
    for (const StartupComparison& size : startup) {
        std::fprintf(script, "%d %.1f %.1f\n", size.entries, size.timing.library.medianNs / 1000,
                     size.timing.baseline.medianNs / 1000);
    }
    std::fprintf(script,
                 "EOD\n"
                 "set origin 0,0.62\nset size 1,0.38\nset title \"Start-up by catalogue size\"\n"
                 "set logscale xy\nset xlabel \"catalogue entries\"\nset ylabel \"microseconds\"\n"
                 "set key top left\nset grid\n"
                 "plot $STARTUP using 1:2 with linespoints lw 2 pt 7 title \"library: first call\", "
                 "$STARTUP using 1:3 with linespoints lw 2 pt 7 title \"baseline: its Win32 calls by hand\"\n"
                 "unset logscale\nunset grid\n");
}

void WriteRatioPanel(std::FILE* script, const BenchResults& results)
{
    const std::vector<std::pair<std::string, double>> rows = RatioRows(results);
    std::fprintf(script, "$RATIOS << EOD\n");
    for (const auto& [label, ratio] : rows) {
        std::fprintf(script, "%s %.3f\n", JsonText(label).c_str(), ratio);
    }
    std::fprintf(script,
                 "EOD\n"
                 "set origin 0,0\nset size 1,0.62\n"
                 "set title \"Library / baseline, median time (* noisy: spread above 25%%)\"\n"
                 "set xlabel \"ratio\"\nunset ylabel\nset yrange [%zu.6:-0.6]\nset xrange [0:*]\n"
                 "set ytics scale 0\nset xtics nomirror\nset grid xtics\nset style fill solid 0.5\n"
                 "set arrow 1 from 1, graph 0 to 1, graph 1 nohead dt 2 lw 2\n"
                 "plot $RATIOS using ($2/2):0:($2/2):(0.35):yticlabels(1) with boxxyerror notitle\n",
                 rows.size() - 1);
}

}  // namespace

void PrintTable(const BenchResults& results)
{
    std::printf(
        "UserData benchmark: median time per call, the library beside a baseline timed in the same run "
        "(ratio = library / baseline).\n");
    std::printf(
        "%d samples per side of at least %.1f ms each, library and baseline samples alternating; "
        "spread = interquartile range / median.\n%s\n\n",
        results.options.samples, results.options.sampleSeconds * 1000, kNoise);
    PrintCallTable(results.calls);
    PrintLoadTable(results.load);
    PrintStartupTable(results.startup);
    PrintHeapTable(results.startup);
    std::printf(
        "Heap use of the folder exports after start-up, every folder through each: %ld allocations, "
        "%llu bytes.\n",
        results.folderHeap.allocations, results.folderHeap.bytes);
    if (AnyNoisy(results)) {
        std::printf("%s\n", kNoisyNote);
    }
}

void PrintJson(const BenchResults& results)
{
    std::printf(
        "{\n  \"unit\": \"ns per call, median\",\n  \"samples_per_side\": %d,\n  \"sample_seconds\": %g,\n"
        "  \"note\": %s,\n",
        results.options.samples, results.options.sampleSeconds, JsonText(kNoise).c_str());
    PrintJsonCalls(results.calls);
    PrintJsonLoad(results.load);
    PrintJsonStartup(results.startup);
    PrintJsonHeap(results.startup);
    std::printf("  ,\"folder_heap\": {\"allocations\": %ld, \"bytes\": %llu}\n", results.folderHeap.allocations,
                results.folderHeap.bytes);
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
                 "set terminal svg size 1000,1100 font \"sans,11\" background \"white\"\n"
                 "set termoption noenhanced\nset multiplot\n");
    WriteStartupPanel(script, results.startup);
    WriteRatioPanel(script, results);
    std::fprintf(script, "unset multiplot\n");
    return std::fclose(script) == 0;
}

}  // namespace userdata::bench
