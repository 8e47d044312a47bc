#include "config/Reason.h"

#include "base/RegistryAccess.h"

#include <string_view>

namespace userdata {
namespace {

using Kind = Reason::Kind;
using Place = Reason::Place;

// "<key>\<value>", with "(default)" for the default value; "<file>: <key>".
ZvString ItemIn(const Reason& reason)
{
    ZvString text = reason.source;
    if (reason.place == Place::File) {
        return text.Append(L": ").Append(reason.item);
    }
    return text.Append(L'\\').Append(reason.item.empty() ? ZvString(L"(default)") : reason.item);
}

ZvString Missing(const Reason& reason)
{
    ZvString text;
    switch (reason.place) {
    case Place::File:
        if (reason.item.empty()) {
            return text.Append(L"the file ").Append(reason.source).Append(L" is missing");
        }
        return text.Append(L"the key ")
            .Append(reason.item)
            .Append(L" of [ProductIdentity] is missing from ")
            .Append(reason.source);
    case Place::Registry:
        if (IsNotFound(reason.status) && reason.item.empty()) {
            return text.Append(L"the registry key ").Append(reason.source).Append(L" is missing");
        }
        return text.Append(ItemIn(reason)).Append(L" is missing or empty");
    case Place::Folder:
    case Place::Host:
        break;
    }
    return text.Append(reason.source).Append(L" is missing");
}

// A value that is there but cannot be used as it is.
ZvString Unusable(const Reason& reason)
{
    ZvString text = ItemIn(reason);
    if (reason.kind == Kind::WrongType) {
        return text.Append(L" is ").Append(RegistryTypeName(reason.type)).Append(L", not a string");
    }
    if (reason.kind == Kind::Unexpanded) {
        return text.Append(L" names %")
            .Append(reason.variable)
            .Append(L"%, which does not expand: no such environment variable");
    }
    return text.Append(L" is too long");
}

}  // namespace

Reason ReasonOf(Kind kind, Place place, const ZvString& source, const wchar_t* item, LSTATUS status)
{
    Reason reason;
    reason.kind = kind;
    reason.place = place;
    reason.source = source;
    reason.item = item;
    reason.status = status;
    return reason;
}

Reason AbsentOrRefused(LSTATUS status, const ZvString& source, const wchar_t* item)
{
    return ReasonOf(IsNotFound(status) ? Kind::Absent : Kind::Refused, Place::Registry, source, item, status);
}

Reason WhyUnread(const ZvRegistryAccess& key, const ZvString& source, const wchar_t* valueName)
{
    // The default value is named, so that its absence is not told as the key's.
    const wchar_t* const item = valueName != nullptr ? valueName : L"(default)";
    DWORD type = REG_NONE;
    const LSTATUS status = key.QueryType(valueName, type);
    if (status != ERROR_SUCCESS) {
        return AbsentOrRefused(status, source, item);
    }
    Reason reason = ReasonOf(type == REG_SZ || type == REG_EXPAND_SZ ? Kind::TooLong : Kind::WrongType, Place::Registry,
                             source, item);
    reason.type = type;
    return reason;
}

ZvString DescribeReason(const Reason& reason)
{
    ZvString text;
    switch (reason.kind) {
    case Kind::NotDecided:
        return ZvString(L"not decided: an earlier step failed");
    case Kind::Requested:
        return ZvString(L"requested by the host (zvudInitProductParams)");
    case Kind::LastLaunched:
        return text.Append(L"the last launched one, from ").Append(ItemIn(reason));
    case Kind::FirstListed:
        return text.Append(L"the first listed under ").Append(reason.source);
    case Kind::Fixed:
        return text.Append(L"the base product, as ").Append(ItemIn(reason)).Append(L" is not 1");
    case Kind::Read:
        return text.Append(L"from ").Append(reason.item.empty() && reason.place != Place::Registry ? reason.source
                                                                                                   : ItemIn(reason));
    case Kind::Absent:
        return Missing(reason);
    case Kind::NoneListed:
        return text.Append(L"the registry key ").Append(reason.source).Append(L" lists none");
    case Kind::Refused:
        return text.Append(reason.source).Append(L" cannot be read (error ").AppendDecimal(reason.status).Append(L')');
    case Kind::WrongType:
    case Kind::TooLong:
    case Kind::Unexpanded:
        return Unusable(reason);
    }
    return text;
}

ZvString FirstUndefinedVariable(const wchar_t* text)
{
    const std::wstring_view rest(text);
    for (std::size_t start = rest.find(L'%'); start != std::wstring_view::npos; start = rest.find(L'%', start + 1)) {
        const std::size_t end = rest.find(L'%', start + 1);
        if (end == std::wstring_view::npos) {
            break;
        }
        ZvString name(rest.data() + start + 1, end - start - 1);
        if (!name.empty() && GetEnvironmentVariableW(name.c_str(), nullptr, 0) == 0) {
            return name;
        }
        start = end;
    }
    return ZvString();
}

}  // namespace userdata
