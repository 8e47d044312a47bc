// One JSON object written member by member in the order given, whose members
// may be objects, arrays of objects on a line each, or numbers: two-space
// indentation, strings escaped, absent texts as null. zvud's one JSON writer.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zvud {

class JsonWriter {
public:
    using Members = std::vector<std::pair<std::wstring, std::optional<std::wstring>>>;

    JsonWriter();

    // An element of the array begun last: an object on one line, its members
    // in the order given.
    void LineObject(const Members& members);

    void Text(const std::wstring& key, const std::optional<std::wstring>& value);
    void Bool(const std::wstring& key, bool value);
    void Number(const std::wstring& key, size_t value);
    void BeginObject(const std::wstring& key);
    void EndObject();
    void BeginArray(const std::wstring& key);
    void EndArray();

    // The object or array closed, with a final line feed.
    std::wstring Finish();

private:
    void Key(const std::wstring& key);
    void Open(const std::wstring& key, wchar_t opening);
    void Close(wchar_t closing);
    void NewLine();

    std::wstring text_;
    std::vector<bool> hasMembers_;  // one entry per open object or array
};

// `text` as a JSON string literal with its quotes. Control characters and
// unpaired surrogates are escaped; other characters stay as they are.
std::wstring JsonString(const std::wstring& text);

}  // namespace zvud
