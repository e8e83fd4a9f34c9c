#include "import/csv_importer.h"

#include <cmath>
#include <cstddef>
#include <limits>
#include <memory>
#include <optional>
#include <utility>

#include "import/bounds.h"
#include "import/csv_chunk_reader.h"
#include "import/path_parts.h"
#include "model/geo.h"
#include "model/tavi_element.h"
#include "platform/convertor_messages.h"
#include "text/string_conversion.h"
#include "text/string_view_tokenizer.h"

namespace tavi {

namespace {

constexpr std::uint64_t kReadingPercentEnd = 30;
constexpr double kCoordinateScale = kUnitsPerDegree;
constexpr WChar kCommentMark = u';';
constexpr WStringView kDirective = u"delimiter=";
constexpr std::size_t kMinimumFields = 3;

// The value narrowed to the nearest float, scaled in double precision and truncated toward zero;
// none when the scaled value is NaN or outside the int32 range.
std::optional<std::int32_t> ToCoordinate(WStringView text) {
  const double value = ParseDouble(text);
  if (!(std::fabs(value) <= std::numeric_limits<float>::max())) return std::nullopt;
  const double scaled = static_cast<double>(static_cast<float>(value)) * kCoordinateScale;
  if (!(scaled > -2147483649.0 && scaled < 2147483648.0)) return std::nullopt;
  return static_cast<std::int32_t>(scaled);
}

// The state of one import: the delimiter set in force, the elements read so far and their
// bounding rectangle. Lines and fields are views into the chunk's text.
class CCsvReader {
 public:
  explicit CCsvReader(const WString& path) : m_path(path) {}

  void ReadChunk(WStringView text);
  ElementArray& Elements() { return m_elements; }
  const BoundingRect& Bounds() const { return m_bounds; }

 private:
  void ReadLine(WStringView line);
  void ReadDataLine(CStringViewTokenizer& fields);

  const WString& m_path;
  const CDelimiterSet m_lineDelimiters{u"\r\n"};
  CDelimiterSet m_delimiters{u";|"};
  ElementArray m_elements;
  BoundingRect m_bounds;
};

void CCsvReader::ReadChunk(WStringView text) {
  CStringViewTokenizer lines(text, m_lineDelimiters);
  while (lines.HasMoreTokens()) ReadLine(lines.NextToken());
}

void CCsvReader::ReadLine(WStringView line) {
  if (line.starts_with(kCommentMark)) return;
  if (line.starts_with(kDirective)) {
    m_delimiters = CDelimiterSet(line.substr(kDirective.size(), 1));
    return;
  }
  CStringViewTokenizer fields(line, m_delimiters);
  // Empty fields do not count here, though they keep their column when read.
  if (!fields.HasTokens(kMinimumFields)) return;
  ReadDataLine(fields);
}

void CCsvReader::ReadDataLine(CStringViewTokenizer& fields) {
  const std::optional<std::int32_t> x = ToCoordinate(fields.NextField());
  const std::optional<std::int32_t> y = ToCoordinate(fields.NextField());
  const WStringView name = fields.NextField();
  if (!x || !y || GeoPoint{*x, *y} == kNoPosition || name.empty()) {
    PostLogLine(u"Bad data - " + m_path);
    return;
  }
  const GeoPoint position{*x, *y};
  auto element = std::make_unique<CTaviElement>();
  element->SetName(name);
  element->SetPosition(position);
  CTaviDetails& details = *element->details;
  details.address->addr1 = fields.NextField();
  details.extra2 = fields.NextField();
  details.extra3 = fields.NextField();
  details.extra5 = fields.NextField();  // column 7 to extra5, column 8 to extra4: not a slip
  details.extra4 = fields.NextField();
  details.text1 = fields.NextField();
  details.text2 = fields.NextField();
  m_elements.push_back(std::move(element));
  IncludePoint(m_bounds, position);
}

// Runs the reader over every chunk of the file and posts the reading progress before each chunk
// that starts after the first byte; false when the file cannot be opened or read.
bool ReadFile(const WString& path, CCsvReader& reader) {
  CCsvChunkReader chunks;
  if (!chunks.Open(path)) return false;
  for (;;) {
    switch (chunks.ReadNextChunk()) {
      case CCsvChunkReader::Result::kEnd:
        return true;
      case CCsvChunkReader::Result::kShortFile:
        return false;
      case CCsvChunkReader::Result::kChunk:
        break;
    }
    const std::uint64_t consumed = chunks.GetChunkStart();
    if (consumed > 0) {
      PostProgress(static_cast<std::int32_t>(kReadingPercentEnd * consumed / chunks.GetLength()));
    }
    reader.ReadChunk(chunks.Text());
  }
}

}  // namespace

std::int32_t ImportCsvFile(const WString& path, const SaveTaviFileFunction& saveTaviFile) {
  PostProgress(0);
  PostLogLine(u"\r\n");
  PostLogLine(u"Importing csv - " + path);

  CCsvReader reader(path);
  if (!ReadFile(path, reader)) {
    PostLogLine(u"Failed to open - " + path);
    return -1;
  }

  if (reader.Elements().empty()) {
    PostLogLine(u"Nothing to import - " + path);
    return 0;
  }
  const std::int32_t result = saveTaviFile(reader.Bounds(), GetFolderPart(path),
                                           std::move(reader.Elements()), GetTitlePart(path));
  PostProgress(kProgressMaximum);
  return result;
}

}  // namespace tavi
