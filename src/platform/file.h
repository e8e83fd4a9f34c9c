#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/wide_string.h"

namespace tavi {

// Raised when the operating system reports an error while a file is written, flushed, synced,
// closed or renamed (disk full, a vanished folder), or a file would outgrow what its format can
// address. A failed read delivers fewer bytes instead; only a read from a file open for writing
// can raise, as it first writes out the buffered bytes. what() is the reason alone, as a log line
// shows it in parentheses: "No space left on device".
class CFileException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The system's text for an error number, as CFileException and the log lines give it.
std::string DescribeError(int error);
// " (reason)", as a log line adds a reason to its path; empty when there is no reason.
WString ReasonSuffix(std::string_view reason);

// A seekable binary file with its own buffer, so that writing a record field by field, reading a
// file front to back, and "seek back, write 4 bytes, seek forward" cost no system call per field.
class CFile {
 public:
  enum OpenFlags : unsigned {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeCreate = 0x1000,  // with modeWrite: create the file, or truncate an existing one
  };
  enum SeekPosition { begin, current };

  CFile() = default;
  ~CFile();
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  // Opens for reading (modeRead) or create-or-truncate writing (modeCreate | modeWrite).
  // Returns false when the file cannot be opened; an open file is closed first.
  bool Open(const WString& path, unsigned flags);
  bool IsOpen() const { return m_fd >= 0; }
  // The system's error number of the last Open that failed.
  int GetLastError() const { return m_lastError; }

  // Copies up to count bytes at the current position; fewer at the end of the file.
  std::size_t Read(void* buffer, std::size_t count);
  // Writes count bytes at the current position. Throws CFileException on an OS error.
  void Write(const void* buffer, std::size_t count) {
    // Records are written field by field: appending to the buffered run must cost no call.
    const std::uint64_t bufferEnd = m_bufferStart + m_bufferUsed;
    if (m_fd >= 0 && m_writable && m_position == bufferEnd && count <= kBufferSize - m_bufferUsed) {
      if (count == 0) return;
      std::memcpy(m_buffer.data() + m_bufferUsed, buffer, count);
      m_bufferUsed += count;
      m_position += count;
      if (m_position > m_length) m_length = m_position;
      m_dirty = true;
      return;
    }
    WriteAnywhere(buffer, count);
  }
  // Returns the new position. Seeking before the beginning clamps to 0.
  std::uint64_t Seek(std::int64_t offset, SeekPosition from);
  std::uint64_t GetPosition() const { return m_position; }
  std::uint64_t GetLength() const { return m_fd < 0 ? 0 : m_length; }
  // Writes out the buffered bytes and asks the system to put them on disk; throws CFileException
  // when that fails. A file is synced before it replaces another, so that a crash cannot leave a
  // renamed file without its content.
  void Sync();
  // Flushes and closes; throws CFileException when the flush or the close fails. A closed file
  // stays closed whatever happens.
  void Close();
  // Closes without reporting errors (for error paths and destruction).
  void Abort() noexcept;

  // Deletes the file at path; false when it could not be deleted.
  static bool Remove(const WString& path);
  // Renames from over to, replacing a file there in one step; throws CFileException on failure.
  static void Rename(const WString& from, const WString& to);

 private:
  bool Fail(int error);
  void Flush();
  void WriteAnywhere(const void* buffer, std::size_t count);
  void WriteThrough(std::uint64_t at, const std::byte* data, std::size_t count);
  std::size_t ReadThrough(std::uint64_t at, std::byte* data, std::size_t count);

  static constexpr std::size_t kBufferSize = 256 * 1024;

  int m_fd = -1;
  int m_lastError = 0;
  bool m_writable = false;
  std::uint64_t m_position = 0;
  // The length at opening, grown by writes: the loaders ask for it per field, and a file read here
  // is not changed by anyone else meanwhile.
  std::uint64_t m_length = 0;
  std::vector<std::byte> m_buffer;
  std::uint64_t m_bufferStart = 0;  // file offset of m_buffer[0]
  std::size_t m_bufferUsed = 0;     // valid bytes in m_buffer
  bool m_dirty = false;             // buffer holds bytes not yet written
};

// Whether a file may be written at path, replacing what is there: 0 when it may, otherwise the
// system's error number (EISDIR for a folder standing there, EACCES for a file that cannot be
// written).
int CheckReplaceable(const WString& path);

// Creates a new, empty file in the folder of path under a hidden name of its own, into which a
// replacement for path is written before it is renamed over path. The new file takes the mode of
// the file at path, or the mode of any new file (0666 less the umask) when there is none. False
// with the system's error number when the file cannot be created.
bool CreateSiblingFile(const WString& path, WString& created, int& error);

}  // namespace tavi
