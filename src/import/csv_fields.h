#pragma once

#include <cstddef>
#include <vector>

#include "platform/wide_string.h"
#include "text/string_view_tokenizer.h"

namespace tavi {

// The fields of one line of a delimited text file. A field whose first character after leading
// spaces is a double quote runs to the closing quote: separators inside are kept, a doubled quote
// stands for one, the quotes themselves and the spaces before the opening one are not part of
// the text, and what follows the closing quote up to the next separator is kept. An unclosed
// quote runs to the end of the line. Every other field is taken as it stands.
class CCsvFields {
 public:
  // Splits line at the characters of separators. The fields are views into line or into the
  // object, valid until the next Split.
  void Split(WStringView line, const CDelimiterSet& separators);

  std::size_t Count() const { return m_fields.size(); }
  // The field at column index; empty beyond the last one.
  WStringView At(std::size_t index) const {
    return index < m_fields.size() ? m_fields[index] : WStringView();
  }
  std::size_t CountNonEmpty() const;

 private:
  // Reads the quoted field whose opening quote is at line[at]; returns where it ends.
  std::size_t ReadQuoted(WStringView line, std::size_t at, const CDelimiterSet& separators);

  std::vector<WStringView> m_fields;
  // The texts of quoted fields. Reserved to the line's length before a split, which no field can
  // exceed in total, so views into it stay valid while it fills.
  WString m_unquoted;
};

}  // namespace tavi
