// zvud doctor: checks an installation in the order start-up uses it and says,
// one line per check, what is in order and what is wrong and how to mend it.
#pragma once

#include "CommandLine.h"
#include "DoctorSupport.h"

#include <windows.h>

#include <string>

namespace zvud {

// Starts the library up itself, after looking at what start-up reads (it runs
// with Runs::OwnStartUp, and `startedUp` is unused).
int RunDoctor(const Invocation& invocation, bool startedUp);

// A UserData.dll that lacks exports zvud calls (an old or a foreign one): the
// one problem, in the report's form, before any export is called.
int RunDoctorOnLackingLibrary(const Invocation& invocation, HMODULE library, const std::wstring& lacking);

// The report, as text or JSON; the exit status it gives.
int Render(const Invocation& invocation, const doctor::Installation& installation, const doctor::Report& report);

}  // namespace zvud
