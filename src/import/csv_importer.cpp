#include "import/csv_importer.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "import/bounds.h"
#include "import/csv_chunk_reader.h"
#include "import/csv_columns.h"
#include "import/csv_fields.h"
#include "import/path_parts.h"
#include "model/geo.h"
#include "model/tavi_element.h"
#include "platform/code_page.h"
#include "platform/convertor_messages.h"
#include "platform/file.h"
#include "text/number_field.h"
#include "text/string_view_tokenizer.h"

namespace tavi {

namespace {

constexpr std::uint64_t kReadingPercentEnd = 30;
constexpr WChar kCommentMark = u';';
constexpr WStringView kDirective = u"delimiter=";
constexpr std::size_t kMinimumFields = 3;
// A field quoted in a log line is cut to this many units, so that a line of garbage does not make
// a log line of garbage.
constexpr std::size_t kQuotedFieldLength = 40;

WString Shown(WStringView field) {
  const WStringView text = TrimBlanks(field);
  if (text.size() <= kQuotedFieldLength) return WString(text);
  return WString(text.substr(0, kQuotedFieldLength)) + u"...";
}

WString Widen(const std::string& ascii) {
  return WString(ascii.begin(), ascii.end());
}

// The state of one import: the separators in force, what the first line that decides told about
// the file, the elements read so far and their bounding rectangle. Lines and fields are views
// into the chunk's text.
class CCsvReader {
 public:
  CCsvReader(const WString& path, SFileResult& result) : m_path(path), m_result(result) {}

  // Reads the lines of one chunk. A chunk that ended at a line feed ends its last line there,
  // together with a carriage return before it.
  void ReadChunk(WStringView text, bool endsAtLineFeed);
  ElementArray& Elements() { return m_elements; }
  const BoundingRect& Bounds() const { return m_bounds; }

 private:
  void ReadLine(WStringView line);
  bool IsBlank(WStringView line) const;
  // The first line that is not blank, a comment or a directive: finds the separator when no
  // directive chose one, and tells whether the line is a header; true when it is.
  bool DecideOn(WStringView line);
  void DetectSeparator(WStringView line);
  void ReadDataLine();
  std::optional<double> ReadCoordinate(WStringView field, const char16_t* what, double limit);
  void LeaveOut(const WString& reason);

  const WString& m_path;
  SFileResult& m_result;
  CDelimiterSet m_delimiters{u";|"};
  CCsvFields m_fields;
  SCsvColumns m_columns;
  std::int64_t m_lineNumber = 0;
  bool m_decided = false;
  bool m_directiveSeen = false;
  ElementArray m_elements;
  BoundingRect m_bounds;
};

void CCsvReader::ReadChunk(WStringView text, bool endsAtLineFeed) {
  if (endsAtLineFeed && !text.empty() && text.back() == u'\r') text.remove_suffix(1);
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const WChar c = text[i];
    if (c != u'\n' && c != u'\r') continue;
    ReadLine(text.substr(start, i - start));
    if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  const WStringView last = text.substr(start);
  if (endsAtLineFeed || !last.empty()) ReadLine(last);
}

void CCsvReader::ReadLine(WStringView line) {
  ++m_lineNumber;
  if (line.find(u'\0') != WStringView::npos) {
    LeaveOut(u"zero byte");
    return;
  }
  if (line.starts_with(kCommentMark)) return;
  if (line.starts_with(kDirective)) {
    m_delimiters = CDelimiterSet(line.substr(kDirective.size(), 1));
    m_directiveSeen = true;
    return;
  }
  if (IsBlank(line)) return;
  m_fields.Split(line, m_delimiters);
  if (!m_decided && DecideOn(line)) return;
  ReadDataLine();
}

// Spreadsheets export empty rows as separators alone.
bool CCsvReader::IsBlank(WStringView line) const {
  for (const WChar c : line) {
    if (c != u' ' && c != u'\t' && !m_delimiters.Contains(c)) return false;
  }
  return true;
}

bool CCsvReader::DecideOn(WStringView line) {
  m_decided = true;
  if (!m_directiveSeen) DetectSeparator(line);
  const bool decimalComma = !m_delimiters.Contains(u',');
  if (ParseNumberField(m_fields.At(0), decimalComma) ||
      ParseNumberField(m_fields.At(1), decimalComma)) {
    return false;
  }
  if (const std::optional<SCsvColumns> named = ColumnsFromHeader(m_fields)) m_columns = *named;
  return true;
}

// Tabs before commas: tab-separated files with decimal commas exist.
void CCsvReader::DetectSeparator(WStringView line) {
  if (m_fields.CountNonEmpty() >= kMinimumFields) return;
  for (const WStringView candidate : {WStringView(u"\t"), WStringView(u",")}) {
    const CDelimiterSet separator(candidate);
    m_fields.Split(line, separator);
    if (m_fields.CountNonEmpty() >= kMinimumFields) {
      m_delimiters = separator;
      return;
    }
  }
  m_fields.Split(line, m_delimiters);
}

std::optional<double> CCsvReader::ReadCoordinate(WStringView field, const char16_t* what,
                                                 double limit) {
  const std::optional<double> value = ParseNumberField(field, !m_delimiters.Contains(u','));
  if (!value) {
    LeaveOut(WString(what) + u" '" + Shown(field) + u"' is not a number");
  } else if (*value < -limit || *value > limit) {
    LeaveOut(WString(what) + u" " + Shown(field) + u" is outside " +
             Widen(std::to_string(-static_cast<int>(limit)) + ".." +
                   std::to_string(static_cast<int>(limit))));
    return std::nullopt;
  }
  return value;
}

void CCsvReader::ReadDataLine() {
  if (m_fields.CountNonEmpty() < kMinimumFields) {
    LeaveOut(u"fewer than three fields");
    return;
  }
  const std::optional<double> longitude =
      ReadCoordinate(m_fields.At(m_columns.longitude), u"longitude", 180);
  if (!longitude) return;
  const std::optional<double> latitude =
      ReadCoordinate(m_fields.At(m_columns.latitude), u"latitude", 90);
  if (!latitude) return;
  const WStringView name = m_fields.At(m_columns.name);
  if (name.empty()) {
    LeaveOut(u"the name is empty");
    return;
  }
  const GeoPoint position{DegreesToUnits(*longitude), DegreesToUnits(*latitude)};
  auto element = std::make_unique<CTaviElement>();
  element->SetName(name);
  element->SetPosition(position);
  CTaviDetails& details = *element->details;
  // Column 7 goes to extra5 and column 8 to extra4: not a slip.
  CCompactString* const texts[SCsvColumns::kTextCount] = {
      &details.address->addr1, &details.extra2, &details.extra3, &details.extra5,
      &details.extra4,         &details.text1,  &details.text2};
  for (std::size_t i = 0; i < SCsvColumns::kTextCount; ++i) {
    const WStringView text = m_fields.At(m_columns.texts[i]);
    if (!text.empty()) *texts[i] = text;
  }
  m_elements.push_back(std::move(element));
  IncludePoint(m_bounds, position);
}

void CCsvReader::LeaveOut(const WString& reason) {
  ++m_result.linesLeftOut;
  PostLogLine(u"Bad data - " + m_path + u" (line " + Widen(std::to_string(m_lineNumber)) + u": " +
              reason + u")");
}

// Runs the reader over every chunk of the file and posts the reading progress before each chunk
// that starts after the first byte; the reason when the file cannot be opened or read.
std::optional<std::string> ReadFile(const WString& path, CCsvReader& reader) {
  CCsvChunkReader chunks;
  if (!chunks.Open(path)) return DescribeError(chunks.GetError());
  for (;;) {
    switch (chunks.ReadNextChunk()) {
      case CCsvChunkReader::Result::kEnd:
        return std::nullopt;
      case CCsvChunkReader::Result::kShortFile:
        return "the file could not be read to its end";
      case CCsvChunkReader::Result::kChunk:
        break;
    }
    const std::uint64_t consumed = chunks.GetChunkStart();
    if (consumed > 0) {
      PostProgress(static_cast<std::int32_t>(kReadingPercentEnd * consumed / chunks.GetLength()));
    }
    reader.ReadChunk(chunks.Text(), chunks.EndsAtLineFeed());
  }
}

}  // namespace

std::int32_t ImportCsvFile(const WString& path, const SaveTaviFileFunction& saveTaviFile,
                           SFileResult& result) {
  PostProgress(0);
  PostLogLine(u"\r\n");
  PostLogLine(u"Importing csv - " + path);

  CCsvReader reader(path, result);
  if (const std::optional<std::string> problem = ReadFile(path, reader)) {
    PostLogLine(u"Failed to open - " + path + ReasonSuffix(*problem));
    return -1;
  }

  if (reader.Elements().empty()) {
    PostLogLine(u"Nothing to import - " + path);
    return 0;
  }
  const std::int32_t saved = saveTaviFile(reader.Bounds(), GetFolderPart(path),
                                          std::move(reader.Elements()), GetTitlePart(path));
  PostProgress(kProgressMaximum);
  return saved;
}

}  // namespace tavi
