// zvud doctor: checks an installation in the order start-up uses it and says,
// one line per check, what is in order and what is wrong and how to mend it.
#pragma once

#include "CommandLine.h"

namespace zvud {

// Starts the library up itself, after looking at what start-up reads (it runs
// with Runs::OwnStartUp, and `startedUp` is unused).
int RunDoctor(const Invocation& invocation, bool startedUp);

}  // namespace zvud
