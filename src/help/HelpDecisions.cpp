#include "help/HelpDecisions.h"

#include "base/Capacities.h"
#include "base/RegistryAccess.h"
#include "help/HelpFiles.h"

namespace userdata {
namespace {

using Kind = Reason::Kind;
using Place = Reason::Place;

// Why the lookup stopped at the key that `trace` names.
Reason WhyNoHelpFile(const HelpTrace& trace)
{
    if (trace.key[0] == L'\0') {
        return ReasonOf(Kind::Absent, Place::Host, ZvString(L"the user product registry root key"));
    }
    const ZvString key = RegistryKeyName(trace.hive, ZvString(trace.key));
    ZvRegistryAccess reopened;
    const LSTATUS opened =
        trace.opened ? reopened.OpenExact(trace.hive, trace.key, KEY_QUERY_VALUE) : ERROR_FILE_NOT_FOUND;
    if (opened != ERROR_SUCCESS) {
        return ReasonOf(Kind::Absent, Place::Registry, key, L"", opened);
    }
    return WhyUnread(reopened, key, trace.value);
}

// The value the help file was named by, Unexpanded when it refers to an
// environment variable that is not defined.
Reason WhereHelpFileIsNamed(const HelpTrace& trace)
{
    if (!trace.opened) {
        return WhyNoHelpFile(trace);  // no default name: the path names a file ".chm"
    }
    Reason reason =
        ReasonOf(Kind::Read, Place::Registry, RegistryKeyName(trace.hive, ZvString(trace.key)), trace.value);
    ZvRegistryAccess reopened;
    ZvString stored;
    if (reopened.OpenExact(trace.hive, trace.key, KEY_QUERY_VALUE) == ERROR_SUCCESS &&
        reopened.ReadString(trace.value, stored) == ERROR_SUCCESS) {
        reason.variable = FirstUndefinedVariable(stored.c_str());
        reason.kind = reason.variable.empty() ? Kind::Read : Kind::Unexpanded;
    }
    return reason;
}

Decision DecideContextFile(CurrentIdentity& identity, const Decision& helpFile)
{
    if (helpFile.value.empty()) {
        return {};
    }
    wchar_t context[kContextPathCapacity] = {};
    if (!FindContextFile(identity, context)) {
        return {ZvString(), ReasonOf(Kind::Absent, Place::Host, ZvString(L"the program name (GetProgramName)"))};
    }
    return {ZvString(context), ReasonOf(Kind::Read, Place::File, helpFile.value)};
}

}  // namespace

HelpDecisions DecideHelpFiles(CurrentIdentity& identity)
{
    HelpDecisions decisions;
    HelpTrace trace;
    wchar_t helpPath[kPathCapacity] = {};
    if (FindHelpFile(identity, helpPath, &trace)) {
        decisions.helpFile = {ZvString(helpPath), WhereHelpFileIsNamed(trace)};
    } else {
        decisions.helpFile = {ZvString(), WhyNoHelpFile(trace)};
    }
    decisions.contextFile = DecideContextFile(identity, decisions.helpFile);
    decisions.profile = trace.profile;
    decisions.profileValue = ProfileHelpValueName(identity);
    decisions.program = identity.EnsureProductParams().ProgramName.value_or(ZvString());
    return decisions;
}

}  // namespace userdata
