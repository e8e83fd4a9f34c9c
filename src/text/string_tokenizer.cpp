#include "text/string_tokenizer.h"

#include <utility>

namespace tavi {

CStringTokenizer::CStringTokenizer(WString text, int returnDelimiters, WStringView delimiters)
    : m_text(std::move(text)),
      m_delimiters(delimiters),
      m_reader(m_text, m_delimiters, returnDelimiters != 0) {}

// The set is replaced in place, where the reader already points.
WString CStringTokenizer::NextTokenWithDelimiters(WStringView delimiters) {
  m_delimiters = CDelimiterSet(delimiters);
  return WString(m_reader.NextTokenWithDelimiters(m_delimiters));
}

WString CStringTokenizer::NextSeparatedTokenWith(WStringView separator) {
  m_delimiters = CDelimiterSet(separator);
  return WString(m_reader.NextSeparatedTokenWith(m_delimiters));
}

}  // namespace tavi
