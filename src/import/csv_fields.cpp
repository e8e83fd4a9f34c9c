#include "import/csv_fields.h"

#include <algorithm>

namespace tavi {

namespace {

constexpr WChar kQuote = u'"';

}  // namespace

void CCsvFields::Split(WStringView line, const CDelimiterSet& separators) {
  m_fields.clear();
  m_unquoted.clear();
  m_unquoted.reserve(line.size());
  std::size_t start = 0;
  for (;;) {
    std::size_t first = start;
    while (first < line.size() && line[first] == u' ') ++first;
    std::size_t end = start;
    if (first < line.size() && line[first] == kQuote) {
      end = ReadQuoted(line, first, separators);
    } else {
      while (end < line.size() && !separators.Contains(line[end])) ++end;
      m_fields.push_back(line.substr(start, end - start));
    }
    if (end >= line.size()) return;
    start = end + 1;
  }
}

std::size_t CCsvFields::ReadQuoted(WStringView line, std::size_t at,
                                   const CDelimiterSet& separators) {
  const std::size_t textStart = m_unquoted.size();
  std::size_t i = at + 1;
  while (i < line.size()) {
    if (line[i] != kQuote) {
      m_unquoted.push_back(line[i++]);
    } else if (i + 1 < line.size() && line[i + 1] == kQuote) {
      m_unquoted.push_back(kQuote);
      i += 2;
    } else {
      ++i;  // the closing quote
      break;
    }
  }
  while (i < line.size() && !separators.Contains(line[i])) m_unquoted.push_back(line[i++]);
  m_fields.push_back(WStringView(m_unquoted).substr(textStart));
  return i;
}

std::size_t CCsvFields::CountNonEmpty() const {
  return static_cast<std::size_t>(std::count_if(m_fields.begin(), m_fields.end(),
                                                [](WStringView field) { return !field.empty(); }));
}

}  // namespace tavi
