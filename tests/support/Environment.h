// Environment variables of the process and of the C runtime, restored after a test.
#pragma once

#include "Basics.h"

#include <optional>
#include <string>

namespace userdata::testing {

std::optional<std::wstring> GetEnvironment(const wchar_t* name);
// Sets a variable in the process and in the C runtime's copy (null unsets it).
void SetEnvironment(const wchar_t* name, const wchar_t* value);

// One environment variable as it was, restored at the end.
class VariableGuard : NoCopy {
public:
    explicit VariableGuard(const wchar_t* name) : name_(name), value_(GetEnvironment(name)) {}
    ~VariableGuard() { SetEnvironment(name_, value_ ? value_->c_str() : nullptr); }

private:
    const wchar_t* name_;
    std::optional<std::wstring> value_;
};

}  // namespace userdata::testing
