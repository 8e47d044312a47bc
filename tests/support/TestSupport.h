// The scenario test bench, by its jobs: files, registry, environment, the
// library, scenarios and probes.
#pragma once

#include "Environment.h"
#include "Files.h"
#include "Library.h"
#include "Probes.h"
#include "Registry.h"
#include "Scenarios.h"
