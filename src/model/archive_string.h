#pragma once

#include <cstdint>
#include <string>

#include "model/compact_string.h"
#include "platform/file.h"
#include "platform/wide_string.h"

namespace tavi {

// Encodings of a saved string, chosen by mode; the element records always use UTF-8.
enum ArchiveMode : std::int32_t {
  ARCHIVE_MODE_8BIT = 1000,
  ARCHIVE_MODE_UTF8 = 2000,
  ARCHIVE_MODE_UTF16 = 3000,
};

struct SArchive {
  CFile* file;
  std::int32_t mode;
};

// A saved string is a little-endian 32-bit header, whose two top bits tag the encoding and whose
// low 30 bits give the payload length in bytes, followed by the payload.
inline constexpr std::uint32_t MAX_BYTES = 0x3FFFFFFF;
inline constexpr std::uint32_t kTag8Bit = 0x40000000;
inline constexpr std::uint32_t kTagUtf8 = 0x80000000;
inline constexpr std::uint32_t kTagUtf16 = 0xC0000000;

// Appends the UTF-8 form of text to out; false when the text has no UTF-8 translation.
using Utf8Encoder = bool (*)(WStringView text, std::string& out);

// The platform encoder: unpaired surrogates become U+FFFD, so every text has a translation.
bool EncodeUtf8(WStringView text, std::string& out);

struct SSaveStringOptions {
  Utf8Encoder encodeUtf8 = EncodeUtf8;
  std::uint32_t maxBytes = MAX_BYTES;  // largest payload; only tests lower it
};

// Writes text as one saved string at the file's position and returns that position (its low 32
// bits). A text that is too long or cannot be encoded is reported and saved as an empty string of
// the mode's encoding, so that the record keeps its layout; an unknown mode is reported and
// nothing is written.
std::int32_t SaveString(const WString& text, const SArchive& archive);
std::int32_t SaveString(const WString& text, const SArchive& archive,
                        const SSaveStringOptions& options);

// Reports a text too long for a saved string: "ERROR : Save String: char size > MAX_BYTES".
void ReportTooLong();

// Reads one saved string into text and leaves the file behind its payload. False when the end of
// the file cut the header or the payload short; text then holds what the bytes that are there
// decode to. A damaged header never makes it read or allocate beyond the end of the file.
bool LoadSavedString(CFile& file, WString& text);
// The same for a text field of a record.
bool LoadSavedString(CFile& file, CCompactString& field);

// Passes over one saved string by its header alone; false when the file ends before its payload
// does.
bool SkipSavedString(CFile& file);

}  // namespace tavi
