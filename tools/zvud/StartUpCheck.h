// Why start-up failed, in words: zvud looks at the files and registry keys
// that the library reads at start-up, in the order in which it reads them.
#pragma once

#include <string>

namespace zvud {

// After a failed start-up: the first file, file key or registry key that the
// library needed and did not find, in one sentence; "" when none is missing.
std::wstring MissingStartUpPiece();

}  // namespace zvud
