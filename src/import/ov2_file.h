#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/geo.h"
#include "platform/file.h"
#include "platform/wide_string.h"

namespace tavi {

// A rectangle record of the file: its bounds, and where its first content record starts.
struct RectHeader {
  std::int32_t east = 0;
  std::int32_t north = 0;
  std::int32_t west = 0;
  std::int32_t south = 0;
  std::int64_t offset = 0;  // file position just behind the rectangle's 21-byte header
  std::int64_t size = 0;    // as the record declares it, header included
};

// A POI record: its position as stored, its name up to the first zero code unit, and the offset
// of its type byte.
struct Ov2Entry {
  std::int32_t x = 0;
  std::int32_t y = 0;
  WString name;
  std::int64_t offset = 0;
};

// A place where the reader had to stop before its rectangle or the file ended.
struct Ov2Problem {
  std::int64_t offset = 0;  // of the record's type byte
  std::string reason;
};

// Reads a ".gep" file: a short header, then rectangle records that group POI records. The reader
// indexes the top-level rectangles and walks the POI records of every rectangle that touches its
// query area. Nothing in the file is taken on trust: a record that would run past the end of the
// file ends what is being read, never the reader, and a rectangle's walk never goes beyond the
// rectangle's end, so no byte is read for two rectangles. The reader reports nothing itself: it
// tells whether the file was cut short and where records it could not take stand.
class COv2File {
 public:
  COv2File() = default;
  ~COv2File();
  COv2File(const COv2File&) = delete;
  COv2File& operator=(const COv2File&) = delete;

  // Opens the file and reads past its header; false when the file cannot be opened or its header
  // is short or holds a zero count. GetOpenProblem then tells why.
  bool Open(const WString& path);
  const std::string& GetOpenProblem() const { return m_openProblem; }

  // Reads every POI of the file in file order and sets bounds to the rectangle of their positions
  // (records marked as having none left out), kept narrow across 180 degrees. Continues where
  // earlier reads stopped; the entries stay owned by the reader.
  const std::vector<Ov2Entry>& ReadAllEntries(BoundingRect& bounds);

  // The next POI inside the query area, or none when no POI is left.
  std::optional<Ov2Entry> ReadNextEntry();

  void Close();

  // Whether the end of the file cut a rectangle or record short.
  bool IsCutShort() const { return m_cutShort; }
  // Records that ended a rectangle's walk before its end or the index, in the order met.
  const std::vector<Ov2Problem>& GetProblems() const { return m_problems; }

  // The file name without folder and without its last four characters; empty when the path has
  // no folder.
  const WString& GetTitle() const { return m_title; }

 private:
  void BuildRectIndex();
  bool TouchesArea(const RectHeader& rect) const;
  bool InsideArea(std::int32_t x, std::int32_t y) const;
  bool SkipHeaderField(std::size_t count);
  bool ReadHeaderCountAndBytes();
  bool ReadExact(std::uint8_t* bytes, std::size_t count);
  std::optional<Ov2Entry> ReadEntryInRect(const RectHeader& rect);
  WString ReadName(std::int64_t byteCount);
  std::int64_t RectEnd(const RectHeader& rect) const;
  void NoteProblem(std::int64_t offset, std::string reason);

  CFile m_file;
  std::uint64_t m_length = 0;
  BoundingRect m_area;
  WString m_title;
  std::int64_t m_dataStart = -1;
  std::size_t m_rectIndex = 0;
  std::int64_t m_rectOffset = 0;
  std::vector<RectHeader> m_rects;
  std::vector<Ov2Entry> m_entries;
  std::vector<Ov2Problem> m_problems;
  bool m_cutShort = false;
  std::string m_openProblem;
};

}  // namespace tavi
