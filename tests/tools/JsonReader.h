// A strict reader for the JSON that zvud prints: objects, strings, true,
// false and null (zvud prints neither numbers nor arrays, so they fail the
// read like any text that is not JSON).
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace userdata::testing {

struct JsonValue {
    enum class Kind { Null, Bool, String, Object };

    Kind kind = Kind::Null;
    bool boolean = false;
    std::wstring text;
    std::vector<std::pair<std::wstring, JsonValue>> members;  // in the order written

    // The member `key` of an object, or null when there is none.
    const JsonValue* Member(const std::wstring& key) const;
    std::vector<std::wstring> Keys() const;
};

// The one JSON value that `text` holds, or nothing, with the fault in
// `error`, when it holds anything else.
std::optional<JsonValue> ReadJson(const std::wstring& text, std::string& error);

}  // namespace userdata::testing
