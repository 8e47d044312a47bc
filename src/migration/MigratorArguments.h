// The migration tool's command line. No Windows header: built and fuzzed
// natively too.
#pragma once

#include "base/Capacities.h"

#include <cstddef>

namespace userdata {

// A product or language of this many characters or more is left out.
inline constexpr std::size_t kMigratorNameCapacity = kNameCapacity;

// What the tool is asked to do: a full run ("/a" with the product and the
// language), and "/dap" when the marker was created in this call.
struct MigratorRequest {
    bool fullRun = false;
    const wchar_t* product = nullptr;
    const wchar_t* language = nullptr;
    bool dapMarkerCreated = false;
};

// The command line from which the argument rules of CommandLineToArgvW give
// back exactly: `tool`; then for a full run "/a", "/product" and the product,
// "/language" and the language (each pair only for a value that is not empty
// and shorter than kNameCapacity characters); then "/dap" when the marker was created.
// Every argument is quoted, so blanks, quotes and trailing backslashes in the
// path, product or language stay inside their own argument. False (and an
// empty command line) for a tool path of kNameCapacity characters or more or one that
// holds a quote.
[[nodiscard]] bool BuildMigratorCommandLine(const wchar_t* tool, const MigratorRequest& request,
                                            wchar_t (&commandLine)[kMigratorCommandLineCapacity]) noexcept;

}  // namespace userdata
