#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/file.h"
#include "platform/wide_string.h"

namespace tavi {

// Reads a delimited text file chunk by chunk and decodes each chunk into wide text. The encoding
// follows the marker at the start: FF FE for UTF-16 little-endian, EF BB BF for UTF-8, else
// Windows-1252. A chunk runs at least 4096 units from its start and on to the next line feed, so
// no line is split between chunks; a zero unit ends the text of the chunk it stands in, and one
// met while looking for the line feed makes that chunk the last. The file is read in blocks, and
// only the current chunk and the rest of its block are held in memory.
class CCsvChunkReader {
 public:
  enum class Result { kChunk, kEnd, kShortFile };

  static constexpr std::size_t kDefaultBlockBytes = std::size_t{1} << 20;

  // blockBytes: how much one read asks for at least; the buffer grows beyond it when a chunk
  // needs more.
  explicit CCsvChunkReader(std::size_t blockBytes = kDefaultBlockBytes);

  // False when the file cannot be opened, is too large, or ends before the marker was read.
  bool Open(const WString& path);
  // The first call always gives a chunk, an empty one for an empty file. kShortFile when the
  // file delivers less than its length, or a chunk is too large to hold.
  Result ReadNextChunk();
  // The text of the last chunk read, valid until the next read.
  WStringView Text() const { return m_text; }
  // Bytes before the last chunk read, a marker included.
  std::uint64_t GetChunkStart() const { return m_chunkStart; }
  std::uint64_t GetLength() const { return m_length; }

 private:
  enum class Encoding { kUtf16, kUtf8, kAnsi };

  void FindMarker();
  // Makes the bytes up to end (at most the length) readable; false when the file ends early.
  bool Load(std::uint64_t end);
  std::uint64_t LoadedEnd() const { return m_bufferStart + m_buffer.size(); }
  WChar UnitAt(std::uint64_t offset) const;
  // Looks for the line feed that ends the chunk; chunkEnd receives the offset of the line feed,
  // of a zero unit, or the end of the text.
  bool FindChunkEnd(std::uint64_t searchStart, std::uint64_t& chunkEnd, bool& lineFeed);
  void DecodeChunk(std::uint64_t end);

  std::size_t m_blockBytes;
  CFile m_file;
  std::uint64_t m_length = 0;
  Encoding m_encoding = Encoding::kAnsi;
  std::uint64_t m_unitBytes = 1;
  std::uint64_t m_textEnd = 0;  // the length without an odd last byte of UTF-16 text
  std::vector<char> m_buffer;   // the file's bytes from m_bufferStart on
  std::uint64_t m_bufferStart = 0;
  std::uint64_t m_chunkStart = 0;
  std::uint64_t m_nextStart = 0;
  bool m_finished = false;
  WString m_text;
};

}  // namespace tavi
