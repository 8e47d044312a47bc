// The registration of the suite's three in-process COM servers: registered
// with relative paths, and repaired through the Windows Installer when not.
#pragma once

#include "config/Reason.h"

#include <windows.h>

#include <span>

namespace userdata {

// One server of the suite: its class identifier, held as a GUID or as text,
// and whether its registration must exist.
struct ComServer {
    const CLSID* guid;  // turned into text with StringFromCLSID; null when `text` holds it
    const wchar_t* text;
    bool mustExist;
};

// The three servers, in the order they are tested.
std::span<const ComServer> ComServers() noexcept;

// One server's test: the default value of CLSID\<identifier>\InProcServer32
// under HKEY_CLASSES_ROOT as read (or why it was not), and whether the
// server passes (a string without ':'; a registration that cannot be
// opened passes only when it need not exist).
struct ComServerDecision {
    ZvString identifier;
    bool mustExist = false;
    Decision path;
    bool passes = false;
};

ComServerDecision DecideComServer(const ComServer& server);

// The test alone, of a class identifier given as text.
[[nodiscard]] bool IsInProcServerPathRelative(const wchar_t* identifier, bool mustExist);

// True when the three servers pass their test, in order; a failing one ends it.
[[nodiscard]] bool AllServersRelative();

// When the three servers fail their test, reinstalls `productCode` with the
// mode that rewrites the machine's registry entries. Reports nothing.
void RepairCOMServerRegistration(const wchar_t* productCode);

}  // namespace userdata
