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

// How many bytes at the start of bytes are ASCII.
std::size_t AsciiPrefixLength(std::string_view bytes);

// Whether bytes are valid UTF-8, where a sequence cut short by the end of bytes counts as valid:
// the bytes are a window into a longer text.
bool IsValidUtf8Window(std::string_view bytes);

// The UTF-8 bytes that Utf8ToWide and then WideToUtf8 make of bytes: valid sequences as they are,
// each invalid one U+FFFD. Measure, then write into room for that many bytes; returns the end.
std::size_t SanitizedUtf8Length(std::string_view bytes);
char* WriteSanitizedUtf8(std::string_view bytes, char* out);
// The same for Windows-1252 bytes (AnsiToWide, then WideToUtf8).
std::size_t AnsiUtf8Length(std::string_view bytes);
char* WriteAnsiAsUtf8(std::string_view bytes, char* out);

// UTF-16 to UTF-8. A surrogate pair becomes one 4-byte sequence; an unpaired surrogate U+FFFD.
std::string WideToUtf8(WStringView text);
// Appends the UTF-8 form of text to out (same rules as WideToUtf8).
void AppendUtf8(WStringView text, std::string& out);
// Number of bytes WideToUtf8 would produce.
std::size_t Utf8Length(WStringView text);
// Writes those bytes at out, which has room for them; returns the end.
char* WriteUtf8(WStringView text, char* out);

}  // namespace tavi
