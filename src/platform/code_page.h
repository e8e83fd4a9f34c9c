#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/wide_string.h"

namespace tavi {

// Code-page identifiers as the importers name them. The system's ANSI code page is Windows-1252.
enum CodePage : std::uint32_t { CP_ACP = 0, CP_UTF8 = 65001 };

// UTF-8 to UTF-16. Each invalid sequence becomes U+FFFD, one per maximal subpart.
WString Utf8ToWide(std::string_view bytes);
// Windows-1252 to UTF-16; the undefined bytes 81, 8D, 8F, 90, 9D map to U+0081 ... U+009D.
WString AnsiToWide(std::string_view bytes);
// Decodes bytes in the given code page; any identifier other than CP_UTF8 means CP_ACP.
WString MultiByteToWide(CodePage codePage, std::string_view bytes);

// Whether bytes are valid UTF-8, where a sequence cut short by the end of bytes counts as valid:
// the bytes are a window into a longer text.
bool IsValidUtf8Window(std::string_view bytes);

// UTF-16 to UTF-8. A surrogate pair becomes one 4-byte sequence; an unpaired surrogate U+FFFD.
std::string WideToUtf8(WStringView text);
// Appends the UTF-8 form of text to out (same rules as WideToUtf8).
void AppendUtf8(WStringView text, std::string& out);
// Number of bytes WideToUtf8 would produce.
std::size_t Utf8Length(WStringView text);

}  // namespace tavi
