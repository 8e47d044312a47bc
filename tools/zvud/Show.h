// zvud show: everything the library reports, as text or as one JSON object.
#pragma once

#include "CommandLine.h"

namespace zvud {

int RunShow(const Invocation& invocation, bool startedUp);

}  // namespace zvud
