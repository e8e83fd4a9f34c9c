#pragma once

#include <array>
#include <cstdint>

#include "platform/wide_string.h"

namespace tavi {

// Splits one wide string at delimiter characters, either as tokens (delimiter runs are skipped, so
// no piece is empty) or as fields (the text between one delimiter and the next, possibly empty).
// A second mode treats the whole delimiter string as one multi-character separator. Reading past
// the end yields empty strings; nothing here throws except on memory exhaustion.
class CStringTokenizer {
 public:
  // returnDelimiters (non-zero) makes a delimiter that stands where a token starts a token of its
  // own, and stops delimiter runs from being skipped.
  CStringTokenizer(WString text, int returnDelimiters, WString delimiters);

  std::int32_t CountTokens() const;
  bool HasMoreTokens();
  bool HasMoreFields();
  WString NextToken();
  // The new delimiter set stays in force for all later calls.
  WString NextTokenWithDelimiters(WString delimiters);
  WString NextField();
  WString RemainingText();

  // Separator mode: separators standing where a token would start are passed over, any number of
  // them; a token runs up to the next separator or the end of the text. An empty separator never
  // matches, so the whole rest of the text is one token.
  std::int32_t CountSeparatedTokens() const;
  bool HasMoreSeparatedTokens();
  WString NextSeparatedToken();
  WString NextSeparatedTokenWith(WString separator);
  WString RemainingSeparatedText();

 private:
  // Indices are 64-bit so that a text longer than the 32-bit range is still split correctly.
  using Index = std::int64_t;
  static constexpr Index kNoStart = -1;

  bool IsDelimiter(WChar c) const;
  Index SkipDelimiters(Index i) const;
  Index ScanToken(Index start) const;
  Index FindDelimiter(Index start) const;
  Index SkipSeparators(Index i) const;
  Index FindSeparator(Index start) const;
  enum class StartRule { kSkipDelimiters, kAtPosition, kSkipSeparators };
  // Takes the cached start while it is still valid, otherwise finds the start from the position by
  // the rule; moves the position there and forgets the cache.
  Index ChooseStart(StartRule rule);
  WString Piece(Index start, Index end) const;
  void ReplaceDelimiters(WString delimiters);
  void BuildAsciiSet();

  WString m_text;
  WString m_delimiters;
  Index m_position = 0;
  Index m_cachedStart = kNoStart;
  Index m_length = 0;
  bool m_returnDelimiters = false;
  bool m_delimitersChanged = false;
  WChar m_highestDelimiter = 0;
  // The delimiters below 128 as bits, so that scanning ASCII text never searches the set.
  std::array<std::uint64_t, 2> m_asciiDelimiters{};
};

}  // namespace tavi
