#include "StartUp.h"

#include "CoreText.h"
#include "Output.h"

#include "UserData.h"
#include "config/ProductConfigInit.h"

namespace zvud {
namespace {

const wchar_t* OptionalText(const std::optional<std::wstring>& text)
{
    return text ? text->c_str() : nullptr;
}

userdata::ZvString Requested(const std::optional<std::wstring>& text)
{
    return text ? Core(*text) : userdata::ZvString();
}

// "the product NOPE asked for is not installed: start-up took ZOVA, the last
// launched one, from ..."; "" when nothing was asked for, or what was asked
// for is what start-up took.
std::wstring NotTaken(const wchar_t* what, const std::optional<std::wstring>& asked, const userdata::Decision& decision,
                      const std::wstring& refusal)
{
    if (!asked || asked->empty() || decision.reason.Failed() || Text(decision.value) == *asked) {
        return L"";
    }
    return std::wstring(what) + L" " + *asked + L" asked for " + refusal + L": start-up took " + Text(decision.value) +
           L", " + Text(userdata::DescribeReason(decision.reason));
}

void WarnOfRequestsNotTaken(const Invocation& invocation, const userdata::CProductConfigInit& startup)
{
    // A configurable installation takes what it lists; the others take neither.
    const bool listed = startup.GetInstalledInfo().GetIsConfigurable();
    const userdata::StartupDecisions& decisions = startup.GetDecisions();
    const std::wstring product = NotTaken(L"the product", invocation.product, decisions.product,
                                          listed ? L"is not installed" : L"was not taken");
    const std::wstring language =
        NotTaken(L"the language", invocation.language, decisions.language,
                 listed ? L"is not installed for " + Text(decisions.product.value) : L"was not taken");
    if (!product.empty() || !language.empty()) {
        Write(Stream::Err,
              L"zvud: warning: " + product + (product.empty() || language.empty() ? L"" : L"; ") + language + L"\n");
    }
}

// The reason of the first step that failed, in the core's words; "" when
// every step can be decided.
std::wstring WhyFailed(const userdata::CProductConfigInit& startup)
{
    const userdata::Reason& unloaded = startup.GetInstalledInfo().GetLoadFailure();
    if (unloaded.kind != userdata::Reason::Kind::NotDecided) {
        return Text(userdata::DescribeReason(unloaded));
    }
    const userdata::Decision* const failed = userdata::FailedDecision(startup.GetDecisions());
    return failed != nullptr ? Text(userdata::DescribeReason(failed->reason)) : L"";
}

}  // namespace

bool StartUp(const Invocation& invocation)
{
    if (invocation.userRoot) {
        zvudSetUserProductRegistryRootKey(invocation.userRoot->c_str());
    }
    // Decided by the core before start-up writes its choice back as the last launched one.
    const auto startup = userdata::DecideStartup(Requested(invocation.product), Requested(invocation.language));
    WarnOfRequestsNotTaken(invocation, *startup);
    if (zvudInitProductParams(OptionalText(invocation.product), OptionalText(invocation.language)) != 0) {
        return true;
    }
    const std::wstring why = WhyFailed(*startup);
    Write(Stream::Err, L"zvud: start-up failed (" +
                           (why.empty() ? std::wstring(L"zvudInitProductParams gave 0") : why) +
                           L"); the library's answers follow all the same\n");
    return false;
}

}  // namespace zvud
