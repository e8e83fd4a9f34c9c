#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/code_page.h"
#include "platform/wide_string.h"

namespace tavi {

// Turns wide text into NUL-terminated UTF-8 or UTF-16 buffers. Every buffer handed out stays valid
// and unchanged until the converter is destroyed; callers must not free it.
class CStringConversion {
 public:
  CStringConversion() = default;
  explicit CStringConversion(WString text);
  CStringConversion(const CStringConversion&) = delete;
  CStringConversion& operator=(const CStringConversion&) = delete;
  ~CStringConversion() = default;

  // An empty argument converts the stored text instead. Both return null (and allocate nothing)
  // when the chosen text is empty.
  // UTF-8 form in a zero-filled buffer of 4 * n + 1 bytes (n = UTF-16 units of the text).
  const char* ToUtf8(WString text);
  // Copy of the text in a zero-filled buffer of n + 1 units.
  const WChar* ToWideBuffer(WString text);

  std::size_t GetBufferCount() const { return m_buffers.size(); }

 private:
  const WString& Choose(const WString& argument) const;

  WString m_text;
  std::vector<std::unique_ptr<std::byte[]>> m_buffers;
};

// Decodes a NUL-terminated 8-bit string (may be null) in the given code page; any code page other
// than CP_UTF8 is taken as CP_ACP.
WString DecodeMultiByte(const char* bytes, CodePage codePage);
// The same for every byte of bytes, zero bytes included (they become U+0000), written over out so
// that its storage is reused.
void DecodeMultiByte(std::string_view bytes, CodePage codePage, WString& out);

// Reads a number as strtod does in the "C" locale, whatever the process locale is; 0.0 when the
// text does not start with a number.
double ParseDouble(WStringView text);
// The same for text in UTF-8.
double ParseDouble(std::string_view text);

}  // namespace tavi
