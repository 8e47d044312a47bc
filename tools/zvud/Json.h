// One JSON object written member by member in the order given: two-space
// indentation, strings escaped, absent texts as null.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zvud {

class JsonWriter {
public:
    JsonWriter();

    void Text(const std::wstring& key, const std::optional<std::wstring>& value);
    void Bool(const std::wstring& key, bool value);
    void BeginObject(const std::wstring& key);
    void EndObject();

    // The object closed, with a final line feed.
    std::wstring Finish();

private:
    void Key(const std::wstring& key);
    void NewLine();

    std::wstring text_;
    std::vector<bool> hasMembers_;  // one entry per open object
};

// `text` as a JSON string literal with its quotes. Control characters and
// unpaired surrogates are escaped; other characters stay as they are.
std::wstring JsonString(const std::wstring& text);

}  // namespace zvud
