#include "Json.h"

#include <cwchar>

namespace zvud {
namespace {

bool IsHighSurrogate(wchar_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(wchar_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

std::wstring UnicodeEscape(wchar_t c)
{
    wchar_t escape[8] = {};
    std::swprintf(escape, 8, L"\\u%04x", static_cast<unsigned>(c));
    return escape;
}

const wchar_t* ShortEscape(wchar_t c)
{
    switch (c) {
    case L'"':
        return L"\\\"";
    case L'\\':
        return L"\\\\";
    case L'\b':
        return L"\\b";
    case L'\f':
        return L"\\f";
    case L'\n':
        return L"\\n";
    case L'\r':
        return L"\\r";
    case L'\t':
        return L"\\t";
    default:
        return nullptr;
    }
}

}  // namespace

std::wstring JsonString(const std::wstring& text)
{
    std::wstring literal = L"\"";
    for (size_t index = 0; index < text.size(); ++index) {
        const wchar_t c = text[index];
        const bool pairStart = IsHighSurrogate(c) && index + 1 < text.size() && IsLowSurrogate(text[index + 1]);
        if (pairStart) {
            literal += text.substr(index++, 2);
        } else if (const wchar_t* escape = ShortEscape(c)) {
            literal += escape;
        } else if (c < 0x20 || IsHighSurrogate(c) || IsLowSurrogate(c)) {
            literal += UnicodeEscape(c);
        } else {
            literal += c;
        }
    }
    return literal + L"\"";
}

JsonWriter::JsonWriter() : text_(L"{"), hasMembers_{false} {}

void JsonWriter::LineObject(const Members& members)
{
    if (hasMembers_.back()) {
        text_ += L",";
    }
    hasMembers_.back() = true;
    NewLine();
    const wchar_t* separator = L"";
    text_ += L"{";
    for (const auto& [key, value] : members) {
        text_ += separator + JsonString(key) + L": " + (value ? JsonString(*value) : L"null");
        separator = L", ";
    }
    text_ += L"}";
}

void JsonWriter::Text(const std::wstring& key, const std::optional<std::wstring>& value)
{
    Key(key);
    text_ += value ? JsonString(*value) : L"null";
}

void JsonWriter::Bool(const std::wstring& key, bool value)
{
    Key(key);
    text_ += value ? L"true" : L"false";
}

void JsonWriter::Number(const std::wstring& key, size_t value)
{
    Key(key);
    text_ += std::to_wstring(value);
}

void JsonWriter::BeginObject(const std::wstring& key)
{
    Open(key, L'{');
}

void JsonWriter::EndObject()
{
    Close(L'}');
}

void JsonWriter::BeginArray(const std::wstring& key)
{
    Open(key, L'[');
}

void JsonWriter::EndArray()
{
    Close(L']');
}

std::wstring JsonWriter::Finish()
{
    while (hasMembers_.size() > 1) {
        EndObject();
    }
    Close(L'}');
    return text_ + L"\n";
}

void JsonWriter::Open(const std::wstring& key, wchar_t opening)
{
    Key(key);
    text_ += opening;
    hasMembers_.push_back(false);
}

void JsonWriter::Close(wchar_t closing)
{
    const bool hadMembers = hasMembers_.back();
    hasMembers_.pop_back();
    if (hadMembers) {
        NewLine();
    }
    text_ += closing;
}

void JsonWriter::Key(const std::wstring& key)
{
    if (hasMembers_.back()) {
        text_ += L",";
    }
    hasMembers_.back() = true;
    NewLine();
    text_ += JsonString(key) + L": ";
}

void JsonWriter::NewLine()
{
    text_ += L"\n" + std::wstring(2 * hasMembers_.size(), L' ');
}

}  // namespace zvud
