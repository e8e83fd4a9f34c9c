#pragma once

#include <cstdint>

#include "platform/wide_string.h"
#include "text/string_view_tokenizer.h"

namespace tavi {

// CStringViewTokenizer over a text and a delimiter string of its own, handing out copies: a piece
// stays valid after the tokenizer is gone, and the caller keeps nothing alive. Reading past the end
// yields empty strings; nothing here throws except on memory exhaustion.
class CStringTokenizer {
 public:
  // returnDelimiters (non-zero) makes a delimiter that stands where a token starts a token of its
  // own, and stops delimiter runs from being skipped.
  CStringTokenizer(WString text, int returnDelimiters, WStringView delimiters);
  // The reader points into the members, so a copy or a move would read a text that is not its own.
  CStringTokenizer(const CStringTokenizer&) = delete;
  CStringTokenizer& operator=(const CStringTokenizer&) = delete;

  std::int32_t CountTokens() const { return m_reader.CountTokens(); }
  bool HasMoreTokens() { return m_reader.HasMoreTokens(); }
  bool HasMoreFields() { return m_reader.HasMoreFields(); }
  WString NextToken() { return WString(m_reader.NextToken()); }
  // The new delimiter set stays in force for all later calls.
  WString NextTokenWithDelimiters(WStringView delimiters);
  WString NextField() { return WString(m_reader.NextField()); }
  WString RemainingText() { return WString(m_reader.RemainingText()); }

  // Separator mode: the whole delimiter string is one separator (see CStringViewTokenizer).
  std::int32_t CountSeparatedTokens() const { return m_reader.CountSeparatedTokens(); }
  bool HasMoreSeparatedTokens() { return m_reader.HasMoreSeparatedTokens(); }
  WString NextSeparatedToken() { return WString(m_reader.NextSeparatedToken()); }
  WString NextSeparatedTokenWith(WStringView separator);
  WString RemainingSeparatedText() { return WString(m_reader.RemainingSeparatedText()); }

 private:
  const WString m_text;
  CDelimiterSet m_delimiters;
  CStringViewTokenizer m_reader;
};

}  // namespace tavi
