#include "import/ov2_file.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string>
#include <utility>

#include "import/bounds.h"
#include "platform/byte_order.h"
#include "platform/path.h"

namespace tavi {

namespace {

constexpr std::uint8_t kDeletedPoiType = 0;
constexpr std::uint8_t kRectType = 1;
constexpr std::uint8_t kPoiType = 3;
constexpr std::int64_t kRectHeaderSize = 21;  // type, size, east, north, west, south
constexpr std::int64_t kPoiHeaderSize = 13;   // type, size, x, y
constexpr std::size_t kSkippedHeaderBytes = 7;
constexpr std::size_t kTitleSuffixLength = 4;  // ".gep"
constexpr std::size_t kNameBlockBytes = 512;

WString TitleOf(const WString& path) {
  const std::size_t separator = path.rfind(kPathSeparator);
  if (separator == WString::npos) return {};
  const std::size_t nameLength = path.size() - separator - 1;
  if (nameLength <= kTitleSuffixLength) return {};
  return path.substr(separator + 1, nameLength - kTitleSuffixLength);
}

}  // namespace

COv2File::~COv2File() {
  Close();
}

bool COv2File::Open(const WString& path) {
  Close();
  if (!m_file.Open(path, CFile::modeRead)) {
    m_openProblem = DescribeError(m_file.GetLastError());
    return false;
  }
  m_length = m_file.GetLength();
  m_title = TitleOf(path);
  if (!ReadHeaderCountAndBytes() || !ReadHeaderCountAndBytes() ||
      !SkipHeaderField(kSkippedHeaderBytes) || !ReadHeaderCountAndBytes()) {
    m_openProblem = "the header is cut short or damaged";
    return false;
  }
  m_dataStart = static_cast<std::int64_t>(m_file.GetPosition());
  return true;
}

void COv2File::Close() {
  m_entries.clear();
  m_rects.clear();
  m_problems.clear();
  m_cutShort = false;
  m_openProblem.clear();
  m_file.Abort();
  m_length = 0;
  m_title.clear();
  m_dataStart = -1;
  m_rectIndex = 0;
  m_rectOffset = 0;
}

// A header field counts as read when its read delivers anything at all; a count of 0 or the end of
// the file delivers nothing.
bool COv2File::SkipHeaderField(std::size_t count) {
  std::array<std::uint8_t, 255> skipped{};
  return m_file.Read(skipped.data(), std::min(count, skipped.size())) > 0;
}

bool COv2File::ReadHeaderCountAndBytes() {
  std::uint8_t count = 0;
  return m_file.Read(&count, 1) == 1 && SkipHeaderField(count);
}

bool COv2File::ReadExact(std::uint8_t* bytes, std::size_t count) {
  const std::uint64_t position = m_file.GetPosition();
  if (position > m_length || m_length - position < count) return false;
  return m_file.Read(bytes, count) == count;
}

const std::vector<Ov2Entry>& COv2File::ReadAllEntries(BoundingRect& bounds) {
  m_area = {std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max(),
            std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::min()};
  m_entries.clear();
  while (std::optional<Ov2Entry> entry = ReadNextEntry()) m_entries.push_back(std::move(*entry));

  // A record without a position, or with one off the globe, has nothing to add. Taken as a point,
  // its -9999.99999 degrees would drag the rectangle away from the real POIs, and the writer drops
  // every element that lies outside the rectangle.
  bounds = BoundingRect{};
  for (const Ov2Entry& entry : m_entries) {
    if (!IsOnGlobe({entry.x, entry.y})) continue;
    if (bounds.IsEmpty()) {
      bounds = {entry.x, entry.y, entry.x, entry.y};
    } else {
      IncludePointNearCentre(bounds, {entry.x, entry.y});
    }
  }
  return m_entries;
}

std::optional<Ov2Entry> COv2File::ReadNextEntry() {
  if (m_dataStart < 0) return std::nullopt;
  if (m_rects.empty()) BuildRectIndex();
  for (; m_rectIndex < m_rects.size(); ++m_rectIndex, m_rectOffset = 0) {
    const RectHeader& rect = m_rects[m_rectIndex];
    if (!TouchesArea(rect)) continue;
    if (std::optional<Ov2Entry> entry = ReadEntryInRect(rect)) return entry;
  }
  return std::nullopt;
}

// Only the rectangles that follow each other at the top level are indexed; nested ones are not.
void COv2File::BuildRectIndex() {
  m_file.Seek(m_dataStart, CFile::begin);
  std::uint8_t type = 0;
  while (ReadExact(&type, 1)) {
    if (type != kRectType) continue;  // bytes between rectangles are passed over one at a time
    const std::int64_t typeOffset = static_cast<std::int64_t>(m_file.GetPosition()) - 1;
    std::array<std::uint8_t, kRectHeaderSize - 1> header{};
    if (!ReadExact(header.data(), header.size())) {
      m_cutShort = true;
      return;
    }
    RectHeader rect;
    rect.size = LoadInt32LE(&header[0]);
    rect.east = LoadInt32LE(&header[4]);
    rect.north = LoadInt32LE(&header[8]);
    rect.west = LoadInt32LE(&header[12]);
    rect.south = LoadInt32LE(&header[16]);
    rect.offset = static_cast<std::int64_t>(m_file.GetPosition());
    // A size below the header's own would lead back to this record or before it.
    if (rect.size < kRectHeaderSize) {
      NoteProblem(typeOffset, "rectangle size " + std::to_string(rect.size) + " is below " +
                                  std::to_string(kRectHeaderSize));
      return;
    }
    m_rects.push_back(rect);
    const std::int64_t end = RectEnd(rect);
    if (end > static_cast<std::int64_t>(m_length)) {
      m_cutShort = true;
      return;
    }
    m_file.Seek(end, CFile::begin);
  }
}

std::int64_t COv2File::RectEnd(const RectHeader& rect) const {
  return rect.offset - kRectHeaderSize + rect.size;
}

void COv2File::NoteProblem(std::int64_t offset, std::string reason) {
  m_problems.push_back({offset, std::move(reason)});
}

// Walks the records from the rectangle's resume point up to the rectangle's end while they are
// POIs or deleted POIs. Whatever stops the walk earlier is noted: the end of the file, a record
// of another type (a nested rectangle, which is not indexed), or a record that does not fit.
std::optional<Ov2Entry> COv2File::ReadEntryInRect(const RectHeader& rect) {
  const std::int64_t rectEnd = RectEnd(rect);
  const std::int64_t limit = std::min(rectEnd, static_cast<std::int64_t>(m_length));
  m_file.Seek(rect.offset + m_rectOffset, CFile::begin);
  while (static_cast<std::int64_t>(m_file.GetPosition()) < limit) {
    const auto typeOffset = static_cast<std::int64_t>(m_file.GetPosition());
    std::uint8_t type = 0;
    std::array<std::uint8_t, kPoiHeaderSize - 1> header{};
    if (!ReadExact(&type, 1)) break;
    if (type != kPoiType && type != kDeletedPoiType) {
      NoteProblem(typeOffset, "record type " + std::to_string(type) + " is not read");
      break;
    }
    if (!ReadExact(header.data(), header.size())) {
      m_cutShort = true;
      break;
    }
    const std::int32_t size = LoadInt32LE(&header[0]);
    const std::int32_t x = LoadInt32LE(&header[4]);
    const std::int32_t y = LoadInt32LE(&header[8]);
    const std::int64_t recordEnd = typeOffset + size;
    if (size < kPoiHeaderSize) {
      NoteProblem(typeOffset, "record size " + std::to_string(size) + " is below " +
                                  std::to_string(kPoiHeaderSize));
      break;
    }
    if (recordEnd > static_cast<std::int64_t>(m_length)) {
      m_cutShort = true;
      break;
    }
    if (recordEnd > rectEnd) {
      NoteProblem(typeOffset, "the record runs past the end of its rectangle");
      break;
    }
    if (type == kPoiType && InsideArea(x, y)) {
      const std::int64_t nameStart = typeOffset + kPoiHeaderSize;
      Ov2Entry entry{x, y, ReadName(recordEnd - nameStart), typeOffset};
      m_rectOffset = recordEnd - rect.offset;
      return entry;
    }
    m_file.Seek(recordEnd, CFile::begin);
  }
  return std::nullopt;
}

// UTF-16 code units up to the first zero unit, never beyond the record; an odd last byte is no
// code unit and is ignored. Read block by block, so that only the text itself is allocated.
WString COv2File::ReadName(std::int64_t byteCount) {
  WString name;
  WString piece;
  std::array<std::uint8_t, kNameBlockBytes> block{};
  std::int64_t left = byteCount - byteCount % 2;
  while (left > 0) {
    const auto take = static_cast<std::size_t>(std::min<std::int64_t>(left, block.size()));
    if (!ReadExact(block.data(), take)) break;
    const bool ended = DecodeUtf16LE(block.data(), take, piece, true);
    name += piece;
    if (ended) break;
    left -= static_cast<std::int64_t>(take);
  }
  return name;
}

bool COv2File::TouchesArea(const RectHeader& rect) const {
  return !(rect.east < m_area.left || rect.west > m_area.right || rect.south > m_area.top ||
           rect.north < m_area.bottom);
}

// Strict on every side, so a position on the edge of the query area is outside it.
bool COv2File::InsideArea(std::int32_t x, std::int32_t y) const {
  return m_area.left < x && x < m_area.right && m_area.bottom < y && y < m_area.top;
}

}  // namespace tavi
