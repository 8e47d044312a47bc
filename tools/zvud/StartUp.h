// zvud's start-up, as a program of the suite starts; the options act here.
#pragma once

#include "CommandLine.h"

namespace zvud {

// Sets the user root key override (--user-root) and starts the library up
// with the product and language asked for (--product, --language). Says on
// stderr, in one line each, why it settled on another product or language
// than asked for, and why start-up failed, as the library's core decides it
// from what the installation held before start-up. True when it succeeded.
bool StartUp(const Invocation& invocation);

}  // namespace zvud
