#include "import/csv_reader.h"

#include <array>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>

#include "import/bounds.h"
#include "model/geo.h"
#include "platform/convertor_messages.h"
#include "text/number_field.h"
#include "text/string_conversion.h"

namespace tavi {

namespace {

constexpr WChar kCommentMark = u';';
constexpr WStringView kDirective = u"delimiter=";
constexpr std::string_view kDirectiveBytes = "delimiter=";
constexpr std::size_t kMinimumFields = 3;
constexpr double kLongitudeLimit = 180;
constexpr double kLatitudeLimit = 90;
// A field quoted in a log line is cut to this many units, so that a line of garbage does not make
// a log line of garbage.
constexpr std::size_t kQuotedFieldLength = 40;
constexpr int kNameColumn = -1;

// Where the columns go, in the order the record keeps its texts: the name, then the seven further
// texts by their place among the columns (SCsvColumns::texts). Column 7 goes to extra5 and column
// 8 to extra4: not a slip.
constexpr std::array<std::pair<TextSlot, int>, 8> kSlotColumns = {{{kSlotName, kNameColumn},
                                                                   {kSlotAddr1, 0},
                                                                   {kSlotText1, 5},
                                                                   {kSlotText2, 6},
                                                                   {kSlotExtra2, 1},
                                                                   {kSlotExtra3, 2},
                                                                   {kSlotExtra4, 4},
                                                                   {kSlotExtra5, 3}}};

bool InRange(double value, double limit) {
  return value >= -limit && value <= limit;
}

WString Shown(WStringView field) {
  const WStringView text = TrimBlanks(field);
  if (text.size() <= kQuotedFieldLength) return WString(text);
  return WString(text.substr(0, kQuotedFieldLength)) + u"...";
}

WString Widen(const std::string& ascii) {
  return WString(ascii.begin(), ascii.end());
}

std::uint32_t TextLength(std::size_t bytes) {
  // A record holds 32-bit lengths; no text of a file this program reads comes near.
  if (bytes > std::numeric_limits<std::uint32_t>::max()) throw std::length_error("text too long");
  return static_cast<std::uint32_t>(bytes);
}

// Lines end at a line feed, a carriage return, or the two together.
template <typename Char, typename Visit>
void ForEachLine(std::basic_string_view<Char> text, bool endsAtLineFeed, Visit visit) {
  if (endsAtLineFeed && !text.empty() && text.back() == Char('\r')) text.remove_suffix(1);
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const Char c = text[i];
    if (c != Char('\n') && c != Char('\r')) continue;
    visit(text.substr(start, i - start));
    if (c == Char('\r') && i + 1 < text.size() && text[i + 1] == Char('\n')) ++i;
    start = i + 1;
  }
  const std::basic_string_view<Char> last = text.substr(start);
  if (endsAtLineFeed || !last.empty()) visit(last);
}

// The texts of a decoded line.
class CWideTexts {
 public:
  explicit CWideTexts(const CCsvFields& fields) : m_fields(fields) {}
  std::size_t Length(std::size_t column) const { return Utf8Length(m_fields.At(column)); }
  char* Write(std::size_t column, char* out) const { return WriteUtf8(m_fields.At(column), out); }

 private:
  const CCsvFields& m_fields;
};

// The texts of a line read as bytes: ASCII as it stands, anything else as its decoding would be.
class CByteTexts {
 public:
  CByteTexts(const CCsvByteFields& fields, CodePage codePage)
      : m_fields(fields), m_utf8(codePage == CP_UTF8) {}
  std::size_t Length(std::size_t column) const {
    const std::string_view field = m_fields.At(column);
    if (m_fields.IsAscii(column)) return field.size();
    return m_utf8 ? SanitizedUtf8Length(field) : AnsiUtf8Length(field);
  }
  char* Write(std::size_t column, char* out) const {
    const std::string_view field = m_fields.At(column);
    if (m_fields.IsAscii(column)) {
      std::memcpy(out, field.data(), field.size());
      return out + field.size();
    }
    return m_utf8 ? WriteSanitizedUtf8(field, out) : WriteAnsiAsUtf8(field, out);
  }

 private:
  const CCsvByteFields& m_fields;
  bool m_utf8;
};

}  // namespace

CCsvReader::CCsvReader(const WString& path, SFileResult& result) : m_path(path), m_result(result) {
  m_byteFields.SetSeparators(m_delimiters);
}

void CCsvReader::ReadChunk(WStringView text, bool endsAtLineFeed) {
  ForEachLine(text, endsAtLineFeed, [this](WStringView line) { ReadLine(line); });
}

void CCsvReader::ReadChunk(std::string_view bytes, CodePage codePage, bool endsAtLineFeed) {
  ForEachLine(bytes, endsAtLineFeed, [this, codePage](std::string_view line) {
    if (ReadPlainLine(line, codePage)) return;
    DecodeMultiByte(line, codePage, m_decoded);
    ReadLine(m_decoded);
  });
}

void CCsvReader::SetDelimiters(const CDelimiterSet& delimiters) {
  m_delimiters = delimiters;
  m_byteFields.SetSeparators(m_delimiters);
}

void CCsvReader::ReadLine(WStringView line) {
  ++m_lineNumber;
  if (line.find(u'\0') != WStringView::npos) {
    LeaveOut(u"zero byte");
    return;
  }
  if (line.starts_with(kCommentMark)) return;
  if (line.starts_with(kDirective)) {
    SetDelimiters(CDelimiterSet(line.substr(kDirective.size(), 1)));
    m_directiveSeen = true;
    return;
  }
  if (IsBlank(line)) return;
  m_fields.Split(line, m_delimiters);
  if (!m_decided && DecideOn(line)) return;
  ReadDataLine();
}

// The common line, a good data line without quotes, read without decoding it. Anything else is
// left to ReadLine: false then, with nothing done.
bool CCsvReader::ReadPlainLine(std::string_view line, CodePage codePage) {
  if (!m_decided || !m_byteFields.IsUsable() || line.empty() || line.starts_with(kDirectiveBytes) ||
      !m_byteFields.Split(line)) {
    return false;
  }
  if (line.front() == static_cast<char>(kCommentMark)) {
    ++m_lineNumber;
    return true;
  }
  if (m_byteFields.CountNonEmpty() < kMinimumFields) return false;
  const bool decimalComma = !m_delimiters.Contains(u',');
  const std::optional<double> longitude =
      ParseNumberField(m_byteFields.At(m_columns.longitude), decimalComma);
  const std::optional<double> latitude =
      ParseNumberField(m_byteFields.At(m_columns.latitude), decimalComma);
  if (!longitude || !latitude || !InRange(*longitude, kLongitudeLimit) ||
      !InRange(*latitude, kLatitudeLimit) || m_byteFields.At(m_columns.name).empty()) {
    return false;
  }
  ++m_lineNumber;
  AddRecord(GeoPoint{DegreesToUnits(*longitude), DegreesToUnits(*latitude)},
            CByteTexts(m_byteFields, codePage));
  return true;
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
      SetDelimiters(separator);
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
  } else if (!InRange(*value, limit)) {
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
      ReadCoordinate(m_fields.At(m_columns.longitude), u"longitude", kLongitudeLimit);
  if (!longitude) return;
  const std::optional<double> latitude =
      ReadCoordinate(m_fields.At(m_columns.latitude), u"latitude", kLatitudeLimit);
  if (!latitude) return;
  if (m_fields.At(m_columns.name).empty()) {
    LeaveOut(u"the name is empty");
    return;
  }
  AddRecord(GeoPoint{DegreesToUnits(*longitude), DegreesToUnits(*latitude)}, CWideTexts(m_fields));
}

std::size_t CCsvReader::ColumnOf(int text) const {
  return text == kNameColumn ? m_columns.name : m_columns.texts[static_cast<std::size_t>(text)];
}

template <typename Fields>
void CCsvReader::AddRecord(GeoPoint position, const Fields& fields) {
  std::uint32_t mask = 0;
  std::array<std::uint32_t, kSlotColumns.size()> lengths{};
  std::array<std::size_t, kSlotColumns.size()> columns{};
  std::size_t count = 0;
  for (const auto& [slot, text] : kSlotColumns) {
    const std::size_t column = ColumnOf(text);
    const std::size_t length = fields.Length(column);
    if (length == 0) continue;
    mask |= kSlotBit(slot);
    lengths[count] = TextLength(length);
    columns[count++] = column;
  }
  char* out = m_records.AddRecord(position, mask, lengths.data());
  for (std::size_t i = 0; i < count; ++i) out = fields.Write(columns[i], out);
  IncludePoint(m_bounds, position);
}

void CCsvReader::LeaveOut(const WString& reason) {
  ++m_result.linesLeftOut;
  PostLogLine(u"Bad data - " + m_path + u" (line " + Widen(std::to_string(m_lineNumber)) + u": " +
              reason + u")");
}

}  // namespace tavi
