// The COM server check and repair.
#include "repair/ComServerCheck.h"

#include "base/Holders.h"
#include "base/RegistryAccess.h"
#include "base/ZvString.h"
#include "repair/WindowsInstaller.h"

#include <cwchar>

namespace userdata {
namespace {

using Kind = Reason::Kind;
using Place = Reason::Place;

// The one server that must be registered; the other two may be absent.
constexpr CLSID kRequiredServer = {0x3F6B0D18, 0xC2E4, 0x4A97, {0x8B, 0x1D, 0x5E, 0x2F, 0x7A, 0x09, 0xC6, 0xD4}};

constexpr ComServer kComServers[] = {
    {&kRequiredServer, nullptr, true},
    {nullptr, L"{5A1C7E42-3B9D-4F08-A6E2-71C4D0B9E315}", false},
    {nullptr, L"{9E0D2F6B-84A7-4C13-B5F9-2D6A8E1C4B70}", false},
};

constexpr wchar_t kComRepairCommandLine[] = L"REINSTALL=ALL REINSTALLMODE=m ZOVA_SECONDARY_INSTALL=1";

ZvString TextOf(const CLSID& identifier)
{
    ZvCoTaskText text;
    if (FAILED(StringFromCLSID(identifier, text.Receive()))) {
        return ZvString();
    }
    return ZvString(text.Get());
}

ZvString IdentifierOf(const ComServer& server)
{
    return server.guid != nullptr ? TextOf(*server.guid) : ZvString(server.text);
}

ComServerDecision DecideServer(const ZvString& identifier, bool mustExist)
{
    ComServerDecision decision{identifier, mustExist, {}, false};
    ZvString keyPath(L"CLSID\\");
    keyPath.Append(identifier).Append(L"\\InProcServer32");
    const ZvString keyName = RegistryKeyName(HKEY_CLASSES_ROOT, keyPath);
    ZvRegistryAccess serverKey;
    const LSTATUS opened = serverKey.Open(HKEY_CLASSES_ROOT, keyPath.c_str());
    if (opened != ERROR_SUCCESS) {
        decision.path.reason = AbsentOrRefused(opened, keyName);
        decision.passes = !mustExist;
        return decision;
    }
    // A value that is not a string, or changed since its size was asked, fails the test.
    if (serverKey.ReadString(nullptr, decision.path.value) != ERROR_SUCCESS) {
        decision.path.reason = WhyUnread(serverKey, keyName, nullptr);
        return decision;
    }
    decision.path.reason = ReasonOf(Kind::Read, Place::Registry, keyName);
    decision.passes = std::wcschr(decision.path.value.c_str(), L':') == nullptr;
    return decision;
}

}  // namespace

std::span<const ComServer> ComServers() noexcept
{
    return kComServers;
}

ComServerDecision DecideComServer(const ComServer& server)
{
    return DecideServer(IdentifierOf(server), server.mustExist);
}

bool IsInProcServerPathRelative(const wchar_t* identifier, bool mustExist)
{
    return DecideServer(ZvString(identifier), mustExist).passes;
}

bool AllServersRelative()
{
    for (const ComServer& server : kComServers) {
        if (!IsInProcServerPathRelative(IdentifierOf(server).c_str(), server.mustExist)) {
            return false;
        }
    }
    return true;
}

void RepairCOMServerRegistration(const wchar_t* productCode)
{
    if (AllServersRelative()) {
        return;  // sound already, perhaps repaired for an earlier product
    }
    ReinstallProduct(productCode, kComRepairCommandLine);
}

}  // namespace userdata
