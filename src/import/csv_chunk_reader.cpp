#include "import/csv_chunk_reader.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <string_view>

#include "platform/byte_order.h"
#include "platform/code_page.h"

namespace tavi {

namespace {

// A larger file would describe tens of millions of elements, more than memory holds; it is
// refused before a long read that could only fail.
constexpr std::uint64_t kMaxFileBytes = 0x7FFFFFFF;
constexpr std::uint64_t kChunkUnits = 4096;
constexpr std::uint64_t kLongestMarker = 3;

}  // namespace

CCsvChunkReader::CCsvChunkReader(std::size_t blockBytes) : m_blockBytes(blockBytes) {}

bool CCsvChunkReader::Open(const WString& path) {
  if (!m_file.Open(path, CFile::modeRead)) {
    m_error = m_file.GetLastError();
    return false;
  }
  m_length = m_file.GetLength();
  if (m_length > kMaxFileBytes) {
    m_error = EFBIG;
    return false;
  }
  if (!Load(kLongestMarker)) {
    m_error = EIO;
    return false;
  }
  FindMarker();
  return true;
}

void CCsvChunkReader::FindMarker() {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(m_buffer[i]); };
  const std::size_t size = m_buffer.size();
  std::uint64_t markerBytes = 0;
  if (size >= 2 && byte(0) == 0xFF && byte(1) == 0xFE) {
    m_encoding = Encoding::kUtf16LE;
    markerBytes = 2;
  } else if (size >= 2 && byte(0) == 0xFE && byte(1) == 0xFF) {
    m_encoding = Encoding::kUtf16BE;
    markerBytes = 2;
  } else if (size >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) {
    m_encoding = Encoding::kUtf8;
    markerBytes = 3;
  }
  m_unitBytes = IsUtf16() ? 2 : 1;
  // An odd last byte is no code unit and is left out.
  m_textEnd = markerBytes + (m_length - markerBytes) / m_unitBytes * m_unitBytes;
  m_nextStart = markerBytes;
}

bool CCsvChunkReader::Load(std::uint64_t end) {
  end = std::min(end, m_length);
  if (end <= LoadedEnd()) return true;
  // Bytes before the current chunk are done with.
  const auto done = static_cast<std::ptrdiff_t>(m_chunkStart - m_bufferStart);
  m_buffer.erase(m_buffer.begin(), m_buffer.begin() + done);
  m_bufferStart = m_chunkStart;
  const std::uint64_t loadedEnd = LoadedEnd();
  const std::size_t kept = m_buffer.size();
  // Reading a whole block at a time, unless the chunk needs more, keeps the buffer at one block.
  const std::uint64_t fill = m_blockBytes > kept ? m_blockBytes - kept : 0;
  const auto want =
      static_cast<std::size_t>(std::min(std::max(fill, end - loadedEnd), m_length - loadedEnd));
  m_buffer.resize(kept + want);
  const std::size_t got = m_file.Read(m_buffer.data() + kept, want);
  m_buffer.resize(kept + got);
  return got == want;
}

const char* CCsvChunkReader::BytesAt(std::uint64_t offset) const {
  return m_buffer.data() + (offset - m_bufferStart);
}

bool CCsvChunkReader::IsUtf16() const {
  return m_encoding == Encoding::kUtf16LE || m_encoding == Encoding::kUtf16BE;
}

WChar CCsvChunkReader::UnitAt(std::uint64_t offset) const {
  const char* at = BytesAt(offset);
  if (m_encoding == Encoding::kUtf16LE) return static_cast<WChar>(LoadUInt16LE(at));
  if (m_encoding == Encoding::kUtf16BE) return static_cast<WChar>(LoadUInt16BE(at));
  return static_cast<unsigned char>(*at);
}

CCsvChunkReader::Result CCsvChunkReader::ReadNextChunk() {
  if (m_finished) return Result::kEnd;
  m_chunkStart = m_nextStart;
  const std::uint64_t searchStart = std::min(m_chunkStart + kChunkUnits * m_unitBytes, m_textEnd);
  std::uint64_t chunkEnd = 0;
  bool lineFeed = false;
  try {
    if (!Load(searchStart) || !FindChunkEnd(searchStart, chunkEnd, lineFeed) ||
        !DecideEncoding(chunkEnd)) {
      return Result::kShortFile;
    }
    if (IsUtf16()) DecodeChunk(chunkEnd);
  } catch (const std::bad_alloc&) {
    return Result::kShortFile;  // a line too long to hold: the file cannot be read
  }
  m_chunkEnd = chunkEnd;
  m_endsAtLineFeed = lineFeed;
  m_nextStart = chunkEnd + m_unitBytes;
  m_finished = !lineFeed || m_nextStart >= m_textEnd;
  return Result::kChunk;
}

bool CCsvChunkReader::FindChunkEnd(std::uint64_t searchStart, std::uint64_t& chunkEnd,
                                   bool& lineFeed) {
  std::uint64_t at = searchStart;
  lineFeed = false;
  for (; at < m_textEnd; at += m_unitBytes) {
    if (!Load(at + m_unitBytes)) return false;
    if (UnitAt(at) == u'\n') {
      lineFeed = true;
      break;
    }
  }
  chunkEnd = at;
  return true;
}

// ASCII reads the same in both candidate encodings, so the choice waits for the first byte that
// is not ASCII; the window from there on decides, read ahead of the chunk when it reaches further.
bool CCsvChunkReader::DecideEncoding(std::uint64_t end) {
  if (m_encoding != Encoding::kUndecided) return true;
  const char* const start = BytesAt(m_chunkStart);
  const char* const stop = BytesAt(end);
  const char* const first =
      start + AsciiPrefixLength({start, static_cast<std::size_t>(stop - start)});
  if (first == stop) return true;
  const std::uint64_t sniffStart = m_chunkStart + static_cast<std::uint64_t>(first - start);
  const std::uint64_t sniffEnd = std::min<std::uint64_t>(sniffStart + kSniffBytes, m_length);
  if (!Load(sniffEnd)) return false;
  const std::string_view window(BytesAt(sniffStart),
                                static_cast<std::size_t>(sniffEnd - sniffStart));
  m_encoding = IsValidUtf8Window(window) ? Encoding::kUtf8 : Encoding::kAnsi;
  return true;
}

void CCsvChunkReader::DecodeChunk(std::uint64_t end) {
  m_text.resize(static_cast<std::size_t>(end - m_chunkStart) / 2);
  for (std::size_t i = 0; i < m_text.size(); ++i) m_text[i] = UnitAt(m_chunkStart + 2 * i);
}

std::string_view CCsvChunkReader::Bytes() const {
  return {BytesAt(m_chunkStart), static_cast<std::size_t>(m_chunkEnd - m_chunkStart)};
}

}  // namespace tavi
