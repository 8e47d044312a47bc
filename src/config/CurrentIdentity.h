// CurrentIdentity - the product identity as an export hands it to the core.
// Core functions take it as an argument rather than reaching for the
// process-wide configuration: a caller decides which configuration stands
// behind it. Start-up is settled only when a core function first needs the
// identity, since several exports answer from the user root key override
// alone and must not run start-up for it.
#pragma once

#include "base/Capacities.h"
#include "config/ProductConfigInit.h"

namespace userdata {

class CurrentIdentity {
public:
    using ConfigSource = CProductConfigInit& (*)();

    // `config` is called on first need only: making the configuration loads
    // the catalogue.
    explicit CurrentIdentity(ConfigSource config = &GetProductConfig) noexcept : config_(config) {}
    // An identity decided without running start-up (DecideStartup and
    // DecidedParams): a doctor asks the core what it would answer, and the
    // process's own configuration stays untouched. `decided` must outlive it.
    explicit CurrentIdentity(const ProductParamsRecord& decided) noexcept : decided_(&decided) {}
    CurrentIdentity(const CurrentIdentity&) = delete;
    CurrentIdentity& operator=(const CurrentIdentity&) = delete;

    // The identity, after running start-up with no requests if it has not run.
    const ProductParamsRecord& Settled() { return decided_ != nullptr ? *decided_ : config_().EnsureProductParams(); }

    // The identity as it stands, without running start-up.
    const ProductParamsRecord& AsItStands() { return decided_ != nullptr ? *decided_ : config_().GetProductParams(); }

    // The user product registry root key: the override that a host set with
    // zvudSetUserProductRegistryRootKey (read whole, once per identity,
    // settling nothing), else the product registry root key of the settled
    // identity. This is the one place that rule is written.
    const wchar_t* UserRootKey();

private:
    ConfigSource config_ = nullptr;
    const ProductParamsRecord* decided_ = nullptr;
    wchar_t userOverride_[kKeyPathCapacity] = {};
    bool overrideRead_ = false;
};

}  // namespace userdata
