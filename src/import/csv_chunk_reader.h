#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/code_page.h"
#include "platform/file.h"
#include "platform/wide_string.h"

namespace tavi {

// Reads a delimited text file chunk by chunk: UTF-16 chunks decoded into wide text, 8-bit chunks
// as their bytes with the code page they are in. The encoding
// follows the marker at the start: FF FE for UTF-16 little-endian, FE FF for UTF-16 big-endian,
// EF BB BF for UTF-8. Without a marker, the bytes from the first non-ASCII byte on decide: when
// the 64 KiB there are valid UTF-8 the file is UTF-8, otherwise Windows-1252. A chunk runs at
// least 4096 units from its start and on to the next line feed, so no line is split between
// chunks; that line feed is not part of the chunk's text. Zero units are text like any other.
// The file is read in blocks, and only the current chunk and the rest of its block are held.
class CCsvChunkReader {
 public:
  enum class Result { kChunk, kEnd, kShortFile };

  static constexpr std::size_t kDefaultBlockBytes = std::size_t{1} << 20;
  // How much text past its first non-ASCII byte decides the encoding of a file without marker.
  static constexpr std::size_t kSniffBytes = std::size_t{64} << 10;

  // blockBytes: how much one read asks for at least; the buffer grows beyond it when a chunk
  // needs more.
  explicit CCsvChunkReader(std::size_t blockBytes = kDefaultBlockBytes);

  // False when the file cannot be opened, is too large, or ends before the marker was read;
  // GetError then tells why (0 when the file was opened).
  bool Open(const WString& path);
  int GetError() const { return m_error; }
  // The first call always gives a chunk, an empty one for an empty file. kShortFile when the
  // file delivers less than its length, or a chunk is too large to hold.
  Result ReadNextChunk();
  // Whether the file is UTF-16: its chunks come as Text, those of others as Bytes.
  bool IsWide() const { return IsUtf16(); }
  // The text of the last chunk read, valid until the next read.
  WStringView Text() const { return m_text; }
  std::string_view Bytes() const;
  // The code page of the bytes: a chunk read before the encoding is decided is ASCII, the same
  // in both.
  CodePage GetCodePage() const { return m_encoding == Encoding::kUtf8 ? CP_UTF8 : CP_ACP; }
  // Whether a line feed ended the last chunk (false for the last chunk of the file).
  bool EndsAtLineFeed() const { return m_endsAtLineFeed; }
  // Bytes before the last chunk read, a marker included.
  std::uint64_t GetChunkStart() const { return m_chunkStart; }
  std::uint64_t GetLength() const { return m_length; }

 private:
  enum class Encoding { kUtf16LE, kUtf16BE, kUtf8, kAnsi, kUndecided };

  void FindMarker();
  // Makes the bytes up to end (at most the length) readable; false when the file ends early.
  bool Load(std::uint64_t end);
  std::uint64_t LoadedEnd() const { return m_bufferStart + m_buffer.size(); }
  const char* BytesAt(std::uint64_t offset) const;
  bool IsUtf16() const;
  WChar UnitAt(std::uint64_t offset) const;
  // Looks for the line feed that ends the chunk; chunkEnd receives its offset, or the end of the
  // text when there is none.
  bool FindChunkEnd(std::uint64_t searchStart, std::uint64_t& chunkEnd, bool& lineFeed);
  bool DecideEncoding(std::uint64_t end);
  void DecodeChunk(std::uint64_t end);

  std::size_t m_blockBytes;
  CFile m_file;
  int m_error = 0;
  std::uint64_t m_length = 0;
  Encoding m_encoding = Encoding::kUndecided;
  std::uint64_t m_unitBytes = 1;
  std::uint64_t m_textEnd = 0;  // the length without an odd last byte of UTF-16 text
  std::vector<char> m_buffer;   // the file's bytes from m_bufferStart on
  std::uint64_t m_bufferStart = 0;
  std::uint64_t m_chunkStart = 0;
  std::uint64_t m_chunkEnd = 0;
  std::uint64_t m_nextStart = 0;
  bool m_finished = false;
  bool m_endsAtLineFeed = false;
  WString m_text;
};

}  // namespace tavi
