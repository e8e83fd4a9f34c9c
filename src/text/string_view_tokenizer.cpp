#include "text/string_view_tokenizer.h"

#include <algorithm>
#include <limits>

namespace tavi {

namespace {

std::int32_t ClampCount(std::size_t count) {
  constexpr auto kMaximum = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
  return static_cast<std::int32_t>(std::min(count, kMaximum));
}

}  // namespace

CDelimiterSet::CDelimiterSet(WStringView delimiters) : m_delimiters(delimiters) {
  for (const WChar c : m_delimiters) {
    m_highest = std::max(m_highest, c);
    if (c < kTableSize) m_ascii[c] = true;
  }
}

std::size_t CStringViewTokenizer::FindDelimiter(std::size_t i) const {
  while (i < m_text.size() && !m_delimiters->Contains(m_text[i])) ++i;
  return i;
}

// An empty separator never matches.
std::size_t CStringViewTokenizer::FindSeparator(std::size_t i) const {
  const WStringView separator = m_delimiters->Text();
  if (separator.empty()) return m_text.size();
  return std::min(m_text.find(separator, i), m_text.size());
}

template <CStringViewTokenizer::Rule rule>
std::size_t CStringViewTokenizer::SkipBefore(std::size_t i) const {
  if constexpr (rule == Rule::kTokens) {
    if (m_returnDelimiters) return i;
    while (i < m_text.size() && m_delimiters->Contains(m_text[i])) ++i;
  } else if constexpr (rule == Rule::kSeparated) {
    const WStringView separator = m_delimiters->Text();
    if (separator.empty()) return i;
    while (m_text.substr(i).starts_with(separator)) i += separator.size();
  }
  return i;
}

// A returned delimiter is a token one character long.
template <CStringViewTokenizer::Rule rule>
std::size_t CStringViewTokenizer::EndOf(std::size_t start) const {
  if constexpr (rule == Rule::kSeparated) return FindSeparator(start);
  const std::size_t end = FindDelimiter(start);
  if constexpr (rule == Rule::kTokens) {
    if (m_returnDelimiters && end == start && start < m_text.size()) return start + 1;
  }
  return end;
}

template <CStringViewTokenizer::Rule rule>
std::size_t CStringViewTokenizer::Count(std::size_t limit) const {
  std::size_t count = 0;
  for (std::size_t i = SkipBefore<rule>(m_position); count < limit && i < m_text.size();
       i = SkipBefore<rule>(EndOf<rule>(i))) {
    ++count;
  }
  return count;
}

template <CStringViewTokenizer::Rule rule>
bool CStringViewTokenizer::HasMore() {
  m_cachedStart = SkipBefore<rule>(m_position);
  return m_cachedStart < m_text.size();
}

template <CStringViewTokenizer::Rule rule>
std::size_t CStringViewTokenizer::ChooseStart() {
  std::size_t start = m_cachedStart;
  if (start == kNoStart) start = SkipBefore<rule>(m_position);
  m_position = start;
  m_cachedStart = kNoStart;
  return start;
}

template <CStringViewTokenizer::Rule rule>
WStringView CStringViewTokenizer::Next() {
  const std::size_t start = ChooseStart<rule>();
  if (start >= m_text.size()) return {};
  m_position = EndOf<rule>(start);
  return m_text.substr(start, m_position - start);
}

template <CStringViewTokenizer::Rule rule>
WStringView CStringViewTokenizer::Remaining() {
  const std::size_t start = ChooseStart<rule>();
  if (start >= m_text.size()) return {};
  m_position = m_text.size();
  return m_text.substr(start);
}

// A start found under the old set no longer holds.
void CStringViewTokenizer::ReplaceDelimiters(const CDelimiterSet& delimiters) {
  m_delimiters = &delimiters;
  m_cachedStart = kNoStart;
}

std::int32_t CStringViewTokenizer::CountTokens() const {
  return ClampCount(Count<Rule::kTokens>(std::numeric_limits<std::size_t>::max()));
}

bool CStringViewTokenizer::HasTokens(std::size_t count) const {
  return Count<Rule::kTokens>(count) >= count;
}

bool CStringViewTokenizer::HasMoreTokens() {
  return HasMore<Rule::kTokens>();
}

bool CStringViewTokenizer::HasMoreFields() {
  return HasMore<Rule::kFields>();
}

WStringView CStringViewTokenizer::NextToken() {
  return Next<Rule::kTokens>();
}

WStringView CStringViewTokenizer::NextTokenWithDelimiters(const CDelimiterSet& delimiters) {
  ReplaceDelimiters(delimiters);
  return NextToken();
}

// The position moves past the delimiter that ends the field, so k delimiters in a row give k - 1
// empty fields between their neighbours.
WStringView CStringViewTokenizer::NextField() {
  const std::size_t start = ChooseStart<Rule::kFields>();
  if (start >= m_text.size()) return {};
  const std::size_t end = EndOf<Rule::kFields>(start);
  m_position = end < m_text.size() ? end + 1 : end;
  return m_text.substr(start, end - start);
}

WStringView CStringViewTokenizer::RemainingText() {
  return Remaining<Rule::kTokens>();
}

std::int32_t CStringViewTokenizer::CountSeparatedTokens() const {
  return ClampCount(Count<Rule::kSeparated>(std::numeric_limits<std::size_t>::max()));
}

bool CStringViewTokenizer::HasMoreSeparatedTokens() {
  return HasMore<Rule::kSeparated>();
}

WStringView CStringViewTokenizer::NextSeparatedToken() {
  return Next<Rule::kSeparated>();
}

WStringView CStringViewTokenizer::NextSeparatedTokenWith(const CDelimiterSet& separator) {
  ReplaceDelimiters(separator);
  return NextSeparatedToken();
}

WStringView CStringViewTokenizer::RemainingSeparatedText() {
  return Remaining<Rule::kSeparated>();
}

}  // namespace tavi
