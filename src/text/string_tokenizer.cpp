#include "text/string_tokenizer.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace tavi {

namespace {

std::int32_t ClampCount(std::int64_t count) {
  return static_cast<std::int32_t>(
      std::min<std::int64_t>(count, std::numeric_limits<std::int32_t>::max()));
}

WChar HighestOf(const WString& delimiters) {
  return delimiters.empty() ? WChar{0} : *std::max_element(delimiters.begin(), delimiters.end());
}

}  // namespace

CStringTokenizer::CStringTokenizer(WString text, int returnDelimiters, WString delimiters)
    : m_text(std::move(text)),
      m_delimiters(std::move(delimiters)),
      m_length(static_cast<Index>(m_text.size())),
      m_returnDelimiters(returnDelimiters != 0),
      m_highestDelimiter(HighestOf(m_delimiters)) {
  BuildAsciiSet();
}

void CStringTokenizer::BuildAsciiSet() {
  m_asciiDelimiters = {};
  for (const WChar c : m_delimiters) {
    if (c < 128) m_asciiDelimiters[c >> 6] |= std::uint64_t{1} << (c & 63);
  }
}

// The comparison with the highest delimiter rejects ordinary text without searching the set.
bool CStringTokenizer::IsDelimiter(WChar c) const {
  if (c > m_highestDelimiter) return false;
  if (c < 128) return ((m_asciiDelimiters[c >> 6] >> (c & 63)) & 1) != 0;
  return m_delimiters.find(c) != WString::npos;
}

CStringTokenizer::Index CStringTokenizer::SkipDelimiters(Index i) const {
  if (m_returnDelimiters) return i;
  while (i < m_length && IsDelimiter(m_text[static_cast<std::size_t>(i)])) ++i;
  return i;
}

CStringTokenizer::Index CStringTokenizer::ScanToken(Index start) const {
  const Index end = FindDelimiter(start);
  if (m_returnDelimiters && end == start && start < m_length) return start + 1;
  return end;
}

CStringTokenizer::Index CStringTokenizer::FindDelimiter(Index start) const {
  Index i = start;
  while (i < m_length && !IsDelimiter(m_text[static_cast<std::size_t>(i)])) ++i;
  return i;
}

CStringTokenizer::Index CStringTokenizer::ChooseStart(StartRule rule) {
  Index start = m_cachedStart;
  if (start < 0 || m_delimitersChanged) {
    switch (rule) {
      case StartRule::kSkipDelimiters:
        start = SkipDelimiters(m_position);
        break;
      case StartRule::kAtPosition:
        start = m_position;
        break;
      case StartRule::kSkipSeparators:
        start = SkipSeparators(m_position);
        break;
    }
  }
  m_position = start;
  m_delimitersChanged = false;
  m_cachedStart = kNoStart;
  return start;
}

WString CStringTokenizer::Piece(Index start, Index end) const {
  return m_text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
}

void CStringTokenizer::ReplaceDelimiters(WString delimiters) {
  m_delimiters = std::move(delimiters);
  m_delimitersChanged = true;
  BuildAsciiSet();
}

std::int32_t CStringTokenizer::CountTokens() const {
  std::int64_t count = 0;
  Index i = m_position;
  while (true) {
    i = SkipDelimiters(i);
    if (i >= m_length) break;
    i = ScanToken(i);
    ++count;
  }
  return ClampCount(count);
}

bool CStringTokenizer::HasMoreTokens() {
  m_cachedStart = SkipDelimiters(m_position);
  return m_cachedStart < m_length;
}

bool CStringTokenizer::HasMoreFields() {
  m_cachedStart = m_position;
  return m_position < m_length;
}

WString CStringTokenizer::NextToken() {
  const Index start = ChooseStart(StartRule::kSkipDelimiters);
  if (start >= m_length) return {};
  const Index end = ScanToken(start);
  m_position = end;
  return Piece(start, end);
}

WString CStringTokenizer::NextTokenWithDelimiters(WString delimiters) {
  ReplaceDelimiters(std::move(delimiters));
  m_highestDelimiter = HighestOf(m_delimiters);
  return NextToken();
}

WString CStringTokenizer::NextField() {
  const Index start = ChooseStart(StartRule::kAtPosition);
  if (start >= m_length) return {};
  const Index end = FindDelimiter(start);
  m_position = end < m_length ? end + 1 : m_length;
  return Piece(start, end);
}

WString CStringTokenizer::RemainingText() {
  const Index start = ChooseStart(StartRule::kSkipDelimiters);
  if (start >= m_length) return {};
  m_position = m_length;
  return Piece(start, m_length);
}

CStringTokenizer::Index CStringTokenizer::SkipSeparators(Index i) const {
  const auto size = static_cast<Index>(m_delimiters.size());
  if (size == 0) return i;
  while (i + size <= m_length &&
         m_text.compare(static_cast<std::size_t>(i), m_delimiters.size(), m_delimiters) == 0) {
    i += size;
  }
  return i;
}

CStringTokenizer::Index CStringTokenizer::FindSeparator(Index start) const {
  if (m_delimiters.empty()) return m_length;
  const std::size_t found = m_text.find(m_delimiters, static_cast<std::size_t>(start));
  return found == WString::npos ? m_length : static_cast<Index>(found);
}

std::int32_t CStringTokenizer::CountSeparatedTokens() const {
  std::int64_t count = 0;
  Index i = m_position;
  while (true) {
    i = SkipSeparators(i);
    if (i >= m_length) break;
    i = FindSeparator(i);
    ++count;
  }
  return ClampCount(count);
}

bool CStringTokenizer::HasMoreSeparatedTokens() {
  m_cachedStart = SkipSeparators(m_position);
  return m_cachedStart < m_length;
}

WString CStringTokenizer::NextSeparatedToken() {
  const Index start = ChooseStart(StartRule::kSkipSeparators);
  if (start >= m_length) return {};
  const Index end = FindSeparator(start);
  m_position = end;
  return Piece(start, end);
}

WString CStringTokenizer::NextSeparatedTokenWith(WString separator) {
  ReplaceDelimiters(std::move(separator));
  return NextSeparatedToken();
}

WString CStringTokenizer::RemainingSeparatedText() {
  const Index start = ChooseStart(StartRule::kSkipSeparators);
  if (start >= m_length) return {};
  m_position = m_length;
  return Piece(start, m_length);
}

}  // namespace tavi
