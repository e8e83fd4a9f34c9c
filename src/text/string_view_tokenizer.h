#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/wide_string.h"

namespace tavi {

// A delimiter string: each of its UTF-16 units is one delimiter character, and in separator mode
// the whole string is one multi-character separator.
class CDelimiterSet {
 public:
  explicit CDelimiterSet(WStringView delimiters);

  // A character below 128 is looked up in a table, and one above every delimiter is rejected
  // without a search, so scanning ordinary text never searches the set.
  bool Contains(WChar c) const {
    if (c < kTableSize) return m_ascii[c];
    return c <= m_highest && m_delimiters.find(c) != WString::npos;
  }
  WStringView Text() const { return m_delimiters; }

 private:
  static constexpr std::size_t kTableSize = 128;

  WString m_delimiters;
  WChar m_highest = 0;
  std::array<bool, kTableSize> m_ascii{};
};

// Splits one wide string at delimiter characters, either as tokens (delimiter runs are skipped, so
// no piece is empty) or as fields (the text between one delimiter and the next, possibly empty).
// A second mode treats the whole delimiter string as one multi-character separator. Pieces are
// views into the text, so splitting allocates nothing: the text must outlive the tokenizer and its
// views, and every delimiter set given must outlive the tokenizer. Reading past the end yields
// empty views.
class CStringViewTokenizer {
 public:
  // returnDelimiters makes a delimiter that stands where a token starts a token of its own, and
  // stops delimiter runs from being skipped.
  CStringViewTokenizer(WStringView text, const CDelimiterSet& delimiters,
                       bool returnDelimiters = false)
      : m_text(text), m_delimiters(&delimiters), m_returnDelimiters(returnDelimiters) {}

  // The tokens from the position to the end, at most the int32 maximum. Changes nothing.
  std::int32_t CountTokens() const;
  // Whether at least count tokens follow the position; stops counting there. Changes nothing.
  bool HasTokens(std::size_t count) const;
  bool HasMoreTokens();
  bool HasMoreFields();
  WStringView NextToken();
  // The new delimiter set stays in force for all later calls.
  WStringView NextTokenWithDelimiters(const CDelimiterSet& delimiters);
  // The text up to the next delimiter, possibly empty.
  WStringView NextField();
  // From the next token to the end, delimiters and all.
  WStringView RemainingText();

  // Separator mode: separators standing where a token would start are passed over, any number of
  // them; a token runs up to the next separator or the end of the text. An empty separator never
  // matches, so the whole rest of the text is one token.
  std::int32_t CountSeparatedTokens() const;
  bool HasMoreSeparatedTokens();
  WStringView NextSeparatedToken();
  // The whole text of the set is the new separator, in force for all later calls.
  WStringView NextSeparatedTokenWith(const CDelimiterSet& separator);
  WStringView RemainingSeparatedText();

 private:
  // How a piece starts and ends: tokens and separated tokens pass over what stands before them,
  // fields start right at the position.
  enum class Rule { kTokens, kSeparated, kFields };

  template <Rule rule>
  std::size_t SkipBefore(std::size_t i) const;
  template <Rule rule>
  std::size_t EndOf(std::size_t start) const;
  // Counts pieces from the position, stopping at limit.
  template <Rule rule>
  std::size_t Count(std::size_t limit) const;
  template <Rule rule>
  bool HasMore();
  // Takes the start that the last query found, if any, otherwise the start found from the
  // position by the rule; moves the position there and forgets the query.
  template <Rule rule>
  std::size_t ChooseStart();
  template <Rule rule>
  WStringView Next();
  template <Rule rule>
  WStringView Remaining();
  void ReplaceDelimiters(const CDelimiterSet& delimiters);

  std::size_t FindDelimiter(std::size_t i) const;
  std::size_t FindSeparator(std::size_t i) const;

  static constexpr std::size_t kNoStart = static_cast<std::size_t>(-1);

  WStringView m_text;
  const CDelimiterSet* m_delimiters;
  std::size_t m_position = 0;
  std::size_t m_cachedStart = kNoStart;
  bool m_returnDelimiters;
};

}  // namespace tavi
