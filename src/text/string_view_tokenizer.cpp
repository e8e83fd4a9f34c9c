#include "text/string_view_tokenizer.h"

#include <algorithm>

namespace tavi {

CDelimiterSet::CDelimiterSet(WStringView delimiters) : m_delimiters(delimiters) {
  for (const WChar c : m_delimiters) {
    m_highest = std::max(m_highest, c);
    if (c < kTableSize) m_ascii[c] = true;
  }
}

std::size_t CStringViewTokenizer::SkipDelimiters(std::size_t i) const {
  while (i < m_text.size() && m_delimiters->Contains(m_text[i])) ++i;
  return i;
}

std::size_t CStringViewTokenizer::FindDelimiter(std::size_t i) const {
  while (i < m_text.size() && !m_delimiters->Contains(m_text[i])) ++i;
  return i;
}

std::size_t CStringViewTokenizer::ChooseStart(bool skipDelimiters) {
  std::size_t start = m_cachedStart;
  if (start == kNoStart) start = skipDelimiters ? SkipDelimiters(m_position) : m_position;
  m_position = start;
  m_cachedStart = kNoStart;
  return start;
}

bool CStringViewTokenizer::HasTokens(std::size_t count) const {
  std::size_t found = 0;
  for (std::size_t i = SkipDelimiters(m_position); found < count && i < m_text.size();
       i = SkipDelimiters(FindDelimiter(i))) {
    ++found;
  }
  return found >= count;
}

bool CStringViewTokenizer::HasMoreTokens() {
  m_cachedStart = SkipDelimiters(m_position);
  return m_cachedStart < m_text.size();
}

WStringView CStringViewTokenizer::NextToken() {
  const std::size_t start = ChooseStart(true);
  if (start >= m_text.size()) return {};
  m_position = FindDelimiter(start);
  return m_text.substr(start, m_position - start);
}

WStringView CStringViewTokenizer::NextField() {
  const std::size_t start = ChooseStart(false);
  if (start >= m_text.size()) return {};
  const std::size_t end = FindDelimiter(start);
  m_position = end < m_text.size() ? end + 1 : end;
  return m_text.substr(start, end - start);
}

}  // namespace tavi
