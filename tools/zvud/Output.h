// What zvud prints: wide text to a console through WriteConsoleW, UTF-8 to
// pipes and files.
#pragma once

#include <string>

namespace zvud {

enum class Stream { Out, Err };

void Write(Stream stream, const std::wstring& text);

// UTF-8 of `text`; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(const std::wstring& text);

}  // namespace zvud
