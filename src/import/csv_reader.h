#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "import/csv_byte_fields.h"
#include "import/csv_columns.h"
#include "import/csv_fields.h"
#include "import/file_result.h"
#include "model/element_arena.h"
#include "model/geo.h"
#include "platform/code_page.h"
#include "platform/wide_string.h"
#include "text/string_view_tokenizer.h"

namespace tavi {

// The state of one import of a delimited text file: the separators in force, what the first line
// that decides told about the file, the records of the good lines and their bounding rectangle.
// Bad lines are logged as "Bad data - PATH (line N: reason)" and counted in the result.
class CCsvReader {
 public:
  CCsvReader(const WString& path, SFileResult& result);

  // Reads the lines of one chunk of UTF-16 text. A chunk that ended at a line feed ends its last
  // line there, together with a carriage return before it.
  void ReadChunk(WStringView text, bool endsAtLineFeed);
  // The same for a chunk of 8-bit text in codePage. A line that needs nothing but splitting is
  // read as it stands; any other is decoded and read as text, which gives the same.
  void ReadChunk(std::string_view bytes, CodePage codePage, bool endsAtLineFeed);

  CElementArena& Records() { return m_records; }
  const BoundingRect& Bounds() const { return m_bounds; }

 private:
  void ReadLine(WStringView line);
  bool ReadPlainLine(std::string_view line, CodePage codePage);
  void SetDelimiters(const CDelimiterSet& delimiters);
  bool IsBlank(WStringView line) const;
  // The first line that is not blank, a comment or a directive: finds the separator when no
  // directive chose one, and tells whether the line is a header; true when it is.
  bool DecideOn(WStringView line);
  void DetectSeparator(WStringView line);
  void ReadDataLine();
  std::optional<double> ReadCoordinate(WStringView field, const char16_t* what, double limit);
  void LeaveOut(const WString& reason);
  std::size_t ColumnOf(int text) const;
  // Adds the record of a good line; fields gives each column's UTF-8 length and bytes.
  template <typename Fields>
  void AddRecord(GeoPoint position, const Fields& fields);

  const WString& m_path;
  SFileResult& m_result;
  CDelimiterSet m_delimiters{u";|"};
  CCsvFields m_fields;
  CCsvByteFields m_byteFields;
  WString m_decoded;
  SCsvColumns m_columns;
  std::int64_t m_lineNumber = 0;
  bool m_decided = false;
  bool m_directiveSeen = false;
  CElementArena m_records;
  BoundingRect m_bounds;
};

}  // namespace tavi
