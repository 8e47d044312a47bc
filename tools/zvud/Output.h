// What zvud prints: wide text to a console through WriteConsoleW, UTF-8 to
// pipes and files; and the text helpers its commands share.
#pragma once

#include <string>

namespace zvud {

enum class Stream { Out, Err };

void Write(Stream stream, const std::wstring& text);

// UTF-8 of `text`; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(const std::wstring& text);

// `text` and at least one blank, filled with blanks to `width` characters: a
// column of a table.
std::wstring Padded(std::wstring text, size_t width);

// Equal but for letter case, as Windows compares names.
bool EqualIgnoringCase(const std::wstring& left, const std::wstring& right);

}  // namespace zvud
