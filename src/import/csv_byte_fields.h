#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "text/string_view_tokenizer.h"

namespace tavi {

// The fields of a line of 8-bit text, split at the separators without decoding the line first.
// Separators, quotes and zero bytes are ASCII, which UTF-8 and Windows-1252 both keep as they are
// and never use inside another character, so the fields are the bytes that the fields of the
// decoded line are made of. Lines that need more than splitting take the decoded road.
class CCsvByteFields {
 public:
  // Takes the separators in force; false when one of them is not ASCII, which no byte stands for.
  bool SetSeparators(const CDelimiterSet& separators);
  bool IsUsable() const { return m_usable; }
  // Splits line at the separators; false, leaving the fields undefined, when it holds a quote or
  // a zero byte.
  bool Split(std::string_view line);

  std::size_t CountNonEmpty() const;
  // The field at column index; empty beyond the last one.
  std::string_view At(std::size_t index) const {
    return index < m_fields.size() ? m_fields[index] : std::string_view();
  }
  bool IsAscii(std::size_t index) const { return index >= m_fields.size() || m_ascii[index]; }

 private:
  enum ByteClass : std::uint8_t { kText, kSeparator, kStop };

  std::array<std::uint8_t, 256> m_classes{};
  bool m_usable = false;
  std::vector<std::string_view> m_fields;
  std::vector<bool> m_ascii;
};

}  // namespace tavi
