#include "JsonReader.h"

#include <cwctype>
#include <string_view>

namespace userdata::testing {
namespace {

class JsonParser {
public:
    JsonParser(const std::wstring& text, std::string& error) : text_(text), error_(error) {}

    std::optional<JsonValue> Document()
    {
        auto value = Value();
        SkipSpace();
        if (value && position_ != text_.size()) {
            return Fail("text after the value");
        }
        return value;
    }

private:
    std::optional<JsonValue> Value()
    {
        SkipSpace();
        JsonValue value;
        if (Take(L'{')) {
            return Object();
        }
        if (Take(L'"')) {
            value.kind = JsonValue::Kind::String;
            return String(value.text) ? std::optional<JsonValue>(value) : std::nullopt;
        }
        for (const bool word : {true, false}) {
            if (TakeWord(word ? L"true" : L"false")) {
                value.kind = JsonValue::Kind::Bool;
                value.boolean = word;
                return value;
            }
        }
        return TakeWord(L"null") ? std::optional<JsonValue>(value) : Fail("no value");
    }

    std::optional<JsonValue> Object()
    {
        JsonValue object;
        object.kind = JsonValue::Kind::Object;
        SkipSpace();
        if (Take(L'}')) {
            return object;
        }
        do {
            SkipSpace();
            std::wstring key;
            if (!Take(L'"') || !String(key)) {
                return Fail("no key");
            }
            if (object.Member(key) != nullptr) {
                return Fail("a key given twice");
            }
            SkipSpace();
            if (!Take(L':')) {
                return Fail("no ':' after a key");
            }
            auto member = Value();
            if (!member) {
                return std::nullopt;
            }
            object.members.emplace_back(key, std::move(*member));
            SkipSpace();
        } while (Take(L','));
        return Take(L'}') ? std::optional<JsonValue>(object) : Fail("no '}' after the members");
    }

    // The rest of a string whose opening quote is taken.
    bool String(std::wstring& text)
    {
        while (position_ < text_.size()) {
            const wchar_t c = text_[position_++];
            if (c == L'"') {
                return true;
            }
            if (c < 0x20) {
                return Fault("a control character in a string");
            }
            if (c != L'\\') {
                text += c;
            } else if (!Escape(text)) {
                return false;
            }
        }
        return Fault("an unterminated string");
    }

    bool Escape(std::wstring& text)
    {
        static const std::wstring kEscaped = L"\"\\/bfnrt";
        static const std::wstring kMeant = L"\"\\/\b\f\n\r\t";
        const wchar_t c = position_ < text_.size() ? text_[position_++] : L'\0';
        const size_t simple = kEscaped.find(c);
        if (simple != std::wstring::npos) {
            text += kMeant[simple];
            return true;
        }
        if (c != L'u' || position_ + 4 > text_.size()) {
            return Fault("a bad escape");
        }
        unsigned unit = 0;
        for (int digits = 0; digits < 4; ++digits) {
            const wchar_t digit = text_[position_++];
            if (!std::iswxdigit(digit)) {
                return Fault("a bad escape");
            }
            unit = unit * 16 + static_cast<unsigned>(digit <= L'9' ? digit - L'0' : (digit | 0x20) - L'a' + 10);
        }
        text += static_cast<wchar_t>(unit);
        return true;
    }

    void SkipSpace()
    {
        constexpr std::wstring_view kSpace = L" \t\r\n";
        while (position_ < text_.size() && kSpace.find(text_[position_]) != std::wstring_view::npos) {
            ++position_;
        }
    }

    bool Take(wchar_t c)
    {
        if (position_ < text_.size() && text_[position_] == c) {
            ++position_;
            return true;
        }
        return false;
    }

    bool TakeWord(const std::wstring& word)
    {
        if (text_.compare(position_, word.size(), word) != 0) {
            return false;
        }
        position_ += word.size();
        return true;
    }

    bool Fault(const char* fault)
    {
        if (error_.empty()) {
            error_ = std::string(fault) + " at character " + std::to_string(position_);
        }
        return false;
    }

    std::nullopt_t Fail(const char* fault)
    {
        Fault(fault);
        return std::nullopt;
    }

    const std::wstring& text_;
    std::string& error_;
    size_t position_ = 0;
};

}  // namespace

const JsonValue* JsonValue::Member(const std::wstring& key) const
{
    for (const auto& [name, value] : members) {
        if (name == key) {
            return &value;
        }
    }
    return nullptr;
}

std::vector<std::wstring> JsonValue::Keys() const
{
    std::vector<std::wstring> keys;
    for (const auto& member : members) {
        keys.push_back(member.first);
    }
    return keys;
}

std::optional<JsonValue> ReadJson(const std::wstring& text, std::string& error)
{
    error.clear();
    return JsonParser(text, error).Document();
}

}  // namespace userdata::testing
