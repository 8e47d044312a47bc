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
    // The process-wide configuration, made on first need only: making it
    // loads the catalogue.
    CurrentIdentity() noexcept;
    // A configuration of the caller's own, such as a doctor's whose start-up
    // withholds its effects (DecideStartup); it must outlive this.
    explicit CurrentIdentity(CProductConfigInit& config) noexcept : config_(&config) {}
    CurrentIdentity(const CurrentIdentity&) = delete;
    CurrentIdentity& operator=(const CurrentIdentity&) = delete;

    // The identity, after running start-up with no requests if it has not run.
    const ProductParamsRecord& EnsureProductParams() { return Config().EnsureProductParams(); }

    // The identity as it stands, without running start-up.
    const ProductParamsRecord& GetProductParams() { return Config().GetProductParams(); }

    // The user product registry root key: the override that a host set with
    // zvudSetUserProductRegistryRootKey (read whole, once per identity,
    // settling nothing), else the product registry root key of the settled
    // identity. This is the one place that rule is written.
    const wchar_t* UserRootKey();

private:
    CProductConfigInit& Config()
    {
        if (config_ == nullptr) {
            config_ = &GetProductConfig();
        }
        return *config_;
    }

    CProductConfigInit* config_ = nullptr;
    // Filled on the first UserRootKey call only: most uses never read it,
    // and the identity queries must not pay for clearing it.
    wchar_t userOverride_[kKeyPathCapacity];
    bool overrideRead_ = false;
};

// Defaulted here rather than in the class, so that CurrentIdentity() does not
// clear the whole object (userOverride_ among it) before it is used.
inline CurrentIdentity::CurrentIdentity() noexcept = default;

}  // namespace userdata
