#pragma once

#include <array>
#include <cstddef>

#include "platform/wide_string.h"

namespace tavi {

// A set of delimiter characters, each UTF-16 unit of the given text being one of them.
class CDelimiterSet {
 public:
  explicit CDelimiterSet(WStringView delimiters);

  // A character below 128 is looked up in a table, and one above every delimiter is rejected
  // without a search, so scanning ordinary text never searches the set.
  bool Contains(WChar c) const {
    if (c < kTableSize) return m_ascii[c];
    return c <= m_highest && m_delimiters.find(c) != WString::npos;
  }

 private:
  static constexpr std::size_t kTableSize = 128;

  WString m_delimiters;
  WChar m_highest = 0;
  std::array<bool, kTableSize> m_ascii{};
};

// Reads the same tokens and fields as CStringTokenizer with delimiters not returned, but as views
// into the text it is given, so that splitting allocates nothing. The text and the delimiter set
// must outlive the tokenizer and the views it hands out.
class CStringViewTokenizer {
 public:
  CStringViewTokenizer(WStringView text, const CDelimiterSet& delimiters)
      : m_text(text), m_delimiters(&delimiters) {}

  // Whether at least count tokens (pieces between delimiter runs) follow the position; the same as
  // CountTokens() >= count of CStringTokenizer, but it stops counting there. Changes nothing.
  bool HasTokens(std::size_t count) const;
  bool HasMoreTokens();
  // Empty once nothing is left.
  WStringView NextToken();
  // The text up to the next delimiter, possibly empty; empty once nothing is left.
  WStringView NextField();

 private:
  std::size_t SkipDelimiters(std::size_t i) const;
  std::size_t FindDelimiter(std::size_t i) const;
  // Takes the start that HasMoreTokens found, if any, otherwise the position after skipping
  // delimiters (tokens) or the position itself (fields).
  std::size_t ChooseStart(bool skipDelimiters);

  static constexpr std::size_t kNoStart = static_cast<std::size_t>(-1);

  WStringView m_text;
  const CDelimiterSet* m_delimiters;
  std::size_t m_position = 0;
  std::size_t m_cachedStart = kNoStart;
};

}  // namespace tavi
