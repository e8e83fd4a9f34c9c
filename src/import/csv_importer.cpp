#include "import/csv_importer.h"

#include <cmath>
#include <cstddef>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "import/bounds.h"
#include "import/path_parts.h"
#include "model/tavi_element.h"
#include "platform/code_page.h"
#include "platform/convertor_messages.h"
#include "platform/file.h"
#include "text/string_conversion.h"
#include "text/string_tokenizer.h"

namespace tavi {

namespace {

// The file is held in memory in one piece together with the elements it describes; beyond this
// size that cannot succeed, and every offset below stays far from overflowing.
constexpr std::uint64_t kMaxFileBytes = 0x7FFFFFFF;
// Decoding and line splitting run on chunks of at least this many units, each extended to the
// next line feed, so that no line is split between two chunks.
constexpr std::size_t kChunkUnits = 4096;
constexpr std::uint64_t kReadingPercentEnd = 30;
constexpr double kCoordinateScale = 100000.0;
constexpr WChar kCommentMark = u';';
constexpr WStringView kDirective = u"delimiter=";
constexpr std::size_t kMinimumFields = 3;

enum class TextEncoding { kUtf16, kUtf8, kAnsi };

struct EncodingMarker {
  TextEncoding encoding;
  std::size_t length;
};

EncodingMarker FindEncodingMarker(const std::vector<char>& data, std::size_t size) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(data[i]); };
  if (size >= 2 && byte(0) == 0xFF && byte(1) == 0xFE) return {TextEncoding::kUtf16, 2};
  if (size >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) {
    return {TextEncoding::kUtf8, 3};
  }
  return {TextEncoding::kAnsi, 0};
}

// Reads the whole file; false when it cannot be opened, is too large to hold, or delivers fewer
// bytes than its length. A zero byte behind the data ends the text of the last chunk.
bool ReadWholeFile(const WString& path, std::vector<char>& data, std::size_t& size) {
  CFile file;
  if (!file.Open(path, CFile::modeRead)) return false;
  const std::uint64_t length = file.GetLength();
  if (length > kMaxFileBytes) return false;
  size = static_cast<std::size_t>(length);
  try {
    data.assign(size + 1, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return file.Read(data.data(), size) == size;
}

// The value narrowed to the nearest float, scaled in double precision and truncated toward zero;
// none when the scaled value is NaN or outside the int32 range.
std::optional<std::int32_t> ToCoordinate(const WString& text) {
  const double value = ParseDouble(text);
  if (!(std::fabs(value) <= std::numeric_limits<float>::max())) return std::nullopt;
  const double scaled = static_cast<double>(static_cast<float>(value)) * kCoordinateScale;
  if (!(scaled > -2147483649.0 && scaled < 2147483648.0)) return std::nullopt;
  return static_cast<std::int32_t>(scaled);
}

// Splits the units [0, unitCount) into chunks and hands each to takeChunk(start, end), where end
// is the chunk's line feed or unitCount. Posts the reading progress before each chunk.
template <typename UnitAt, typename TakeChunk>
void ForEachChunk(std::size_t markerBytes, std::size_t unitBytes, std::size_t unitCount,
                  std::size_t dataSize, UnitAt unitAt, TakeChunk takeChunk) {
  std::size_t start = 0;
  for (;;) {
    const std::uint64_t consumed = markerBytes + std::uint64_t{start} * unitBytes;
    if (consumed > 0) {
      PostProgress(static_cast<std::int32_t>(kReadingPercentEnd * consumed / dataSize));
    }
    std::size_t end = std::min(start + kChunkUnits, unitCount);
    while (end < unitCount && unitAt(end) != 0 && unitAt(end) != u'\n') ++end;
    const bool lineFeed = end < unitCount && unitAt(end) == u'\n';
    takeChunk(start, lineFeed ? end : unitCount);
    if (!lineFeed || end + 1 >= unitCount) return;
    start = end + 1;
  }
}

// The state of one import: the delimiter set in force, the elements read so far and their
// bounding rectangle.
class CCsvReader {
 public:
  explicit CCsvReader(const WString& path) : m_path(path) {}

  void ReadText(std::vector<char>& data, std::size_t size);
  ElementArray& Elements() { return m_elements; }
  const BoundingRect& Bounds() const { return m_bounds; }

 private:
  void ReadUtf16(const std::vector<char>& data, std::size_t size);
  void ReadMultiByte(std::vector<char>& data, std::size_t size, EncodingMarker marker);
  void ReadChunk(WString text);
  void ReadLine(WString line);
  void ReadDataLine(CStringTokenizer& fields);

  const WString& m_path;
  WString m_delimiters = u";|";
  ElementArray m_elements;
  BoundingRect m_bounds;
};

void CCsvReader::ReadText(std::vector<char>& data, std::size_t size) {
  const EncodingMarker marker = FindEncodingMarker(data, size);
  if (marker.encoding == TextEncoding::kUtf16) {
    ReadUtf16(data, size);
  } else {
    ReadMultiByte(data, size, marker);
  }
}

void CCsvReader::ReadUtf16(const std::vector<char>& data, std::size_t size) {
  constexpr std::size_t kMarkerBytes = 2;
  const auto unitAt = [&](std::size_t i) {
    const auto low = static_cast<unsigned char>(data[kMarkerBytes + 2 * i]);
    const auto high = static_cast<unsigned char>(data[kMarkerBytes + 2 * i + 1]);
    return static_cast<WChar>(low | high << 8);
  };
  // An odd last byte is no code unit and is left out.
  const std::size_t unitCount = (size - kMarkerBytes) / 2;
  ForEachChunk(kMarkerBytes, 2, unitCount, size, unitAt, [&](std::size_t start, std::size_t end) {
    WString text;
    text.reserve(end - start);
    for (std::size_t i = start; i < end && unitAt(i) != 0; ++i) text.push_back(unitAt(i));
    ReadChunk(std::move(text));
  });
}

void CCsvReader::ReadMultiByte(std::vector<char>& data, std::size_t size, EncodingMarker marker) {
  const CodePage codePage = marker.encoding == TextEncoding::kUtf8 ? CP_UTF8 : CP_ACP;
  char* const text = data.data() + marker.length;
  const auto unitAt = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const std::size_t unitCount = size - marker.length;
  ForEachChunk(marker.length, 1, unitCount, size, unitAt, [&](std::size_t start, std::size_t end) {
    // The line feed becomes the chunk's terminator; behind the last chunk stands the extra zero.
    text[end] = 0;
    ReadChunk(DecodeMultiByte(text + start, codePage));
  });
}

void CCsvReader::ReadChunk(WString text) {
  CStringTokenizer lines(std::move(text), 0, u"\r\n");
  while (lines.HasMoreTokens()) ReadLine(lines.NextToken());
}

void CCsvReader::ReadLine(WString line) {
  if (line.starts_with(kCommentMark)) return;
  if (line.starts_with(kDirective)) {
    m_delimiters = line.substr(kDirective.size(), 1);
    return;
  }
  CStringTokenizer fields(std::move(line), 0, m_delimiters);
  // Empty fields do not count here, though they keep their column when read.
  if (static_cast<std::size_t>(fields.CountTokens()) < kMinimumFields) return;
  ReadDataLine(fields);
}

void CCsvReader::ReadDataLine(CStringTokenizer& fields) {
  const std::optional<std::int32_t> x = ToCoordinate(fields.NextField());
  const std::optional<std::int32_t> y = ToCoordinate(fields.NextField());
  WString name = fields.NextField();
  if (!x || !y || GeoPoint{*x, *y} == kNoPosition || name.empty()) {
    PostLogLine(u"Bad data - " + m_path);
    return;
  }
  const GeoPoint position{*x, *y};
  auto element = std::make_unique<CTaviElement>();
  element->SetName(std::move(name));
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

}  // namespace

std::int32_t ImportCsvFile(const WString& path, const SaveTaviFileFunction& saveTaviFile) {
  PostProgress(0);
  PostLogLine(u"\r\n");
  PostLogLine(u"Importing csv - " + path);

  CCsvReader reader(path);
  {
    std::vector<char> data;
    std::size_t size = 0;
    if (!ReadWholeFile(path, data, size)) {
      PostLogLine(u"Failed to open - " + path);
      return -1;
    }
    reader.ReadText(data, size);
  }  // the file's bytes are released before the output step needs its memory

  if (reader.Elements().empty()) {
    PostLogLine(u"Nothing to import - " + path);
    return 0;
  }
  const std::int32_t result = saveTaviFile(reader.Bounds(), GetFolderPart(path),
                                           std::move(reader.Elements()), GetTitlePart(path));
  PostProgress(100);
  return result;
}

}  // namespace tavi
