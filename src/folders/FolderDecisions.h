// The special folders as the library decides them, each with its reason: the
// folder it is built from, the per-user value it is read from, or why that
// value gives none (missing, of another type, too long, naming an undefined
// environment variable). Reads only; a doctor asks these.
#pragma once

#include "UserData.h"
#include "config/CurrentIdentity.h"
#include "config/Reason.h"

namespace userdata {

// The path zvudGetSpecialFolder gives for `folder` ("" for none), and why.
// For RoamableRootFolder and LocalRootFolder a value that cannot be read has
// the install folder stand in: the path is given, the reason tells why the
// value was not used. A REG_EXPAND_SZ value is given as stored, Unexpanded
// when one of its references names no environment variable.
Decision DecideSpecialFolder(CurrentIdentity& identity, ZvUdSpecialFolder::Folders folder);

}  // namespace userdata
