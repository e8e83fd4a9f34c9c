#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/code_page.h"
#include "platform/path.h"

namespace tavi {

namespace {

[[noreturn]] void ThrowOsError() {
  throw CFileException(DescribeError(errno));
}

}  // namespace

std::string DescribeError(int error) {
  return std::strerror(error);
}

WString ReasonSuffix(std::string_view reason) {
  if (reason.empty()) return {};
  return u" (" + Utf8ToWide(reason) + u")";
}

CFile::~CFile() {
  Abort();
}

bool CFile::Fail(int error) {
  m_lastError = error;
  return false;
}

bool CFile::Open(const WString& path, unsigned flags) {
  Abort();
  const bool writable = (flags & modeWrite) != 0;
  int osFlags = O_CLOEXEC;
  if (writable) {
    osFlags |= O_RDWR;
    if ((flags & modeCreate) != 0) osFlags |= O_CREAT | O_TRUNC;
  } else {
    // Without O_NONBLOCK, opening a named pipe would wait for a writer forever.
    osFlags |= O_RDONLY | O_NONBLOCK;
  }
  const std::string native = ToNativePath(path).string();
  if (native.empty()) return Fail(ENOENT);
  const int fd = ::open(native.c_str(), osFlags, 0666);
  if (fd < 0) return Fail(errno);
  struct stat info {};
  // Only a regular file can be read front to back with a known length.
  if (::fstat(fd, &info) != 0 || (writable ? S_ISDIR(info.st_mode) : !S_ISREG(info.st_mode))) {
    ::close(fd);
    return Fail(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
  }
  m_fd = fd;
  m_writable = writable;
  m_position = 0;
  m_length = static_cast<std::uint64_t>(info.st_size);
  m_buffer.resize(kBufferSize);
  m_bufferStart = 0;
  m_bufferUsed = 0;
  m_dirty = false;
  return true;
}

std::size_t CFile::ReadThrough(std::uint64_t at, std::byte* data, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = ::pread(m_fd, data + done, count - done, static_cast<off_t>(at + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

std::size_t CFile::Read(void* buffer, std::size_t count) {
  if (m_fd < 0 || count == 0) return 0;
  auto* out = static_cast<std::byte*>(buffer);
  if (m_writable) {
    Flush();
    const std::size_t got = ReadThrough(m_position, out, count);
    m_position += got;
    return got;
  }
  std::size_t done = 0;
  while (done < count) {
    const std::uint64_t bufferEnd = m_bufferStart + m_bufferUsed;
    if (m_position >= m_bufferStart && m_position < bufferEnd) {
      const auto offset = static_cast<std::size_t>(m_position - m_bufferStart);
      const std::size_t take = std::min(count - done, m_bufferUsed - offset);
      std::memcpy(out + done, m_buffer.data() + offset, take);
      done += take;
      m_position += take;
      continue;
    }
    if (count - done >= kBufferSize) {
      const std::size_t got = ReadThrough(m_position, out + done, count - done);
      done += got;
      m_position += got;
      break;
    }
    m_bufferStart = m_position;
    m_bufferUsed = ReadThrough(m_position, m_buffer.data(), kBufferSize);
    if (m_bufferUsed == 0) break;
  }
  return done;
}

void CFile::WriteThrough(std::uint64_t at, const std::byte* data, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t put = ::pwrite(m_fd, data + done, count - done, static_cast<off_t>(at + done));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      if (put == 0) errno = EIO;
      ThrowOsError();
    }
    done += static_cast<std::size_t>(put);
  }
}

void CFile::Flush() {
  if (!m_dirty) return;
  m_dirty = false;  // a failed flush is reported once, not again by Close
  WriteThrough(m_bufferStart, m_buffer.data(), m_bufferUsed);
}

void CFile::WriteAnywhere(const void* buffer, std::size_t count) {
  if (m_fd < 0 || !m_writable) throw CFileException("file not open for writing");
  if (count == 0) return;
  const auto* data = static_cast<const std::byte*>(buffer);
  const std::uint64_t at = m_position;
  const std::uint64_t end = at + count;
  const std::uint64_t bufferEnd = m_bufferStart + m_bufferUsed;

  if (at >= m_bufferStart && at <= bufferEnd && end <= m_bufferStart + kBufferSize) {
    // Inside or right behind the buffered run: the common case.
    const auto offset = static_cast<std::size_t>(at - m_bufferStart);
    std::memcpy(m_buffer.data() + offset, data, count);
    m_bufferUsed = std::max(m_bufferUsed, offset + count);
    m_dirty = true;
  } else if (end <= m_bufferStart || count >= kBufferSize) {
    // A patch before the buffered run (a link or an offset table), or a large block: write it
    // directly and keep the buffer. A large block that overlaps the buffer flushes it first.
    if (end > m_bufferStart && at < bufferEnd) {
      Flush();
      m_bufferUsed = 0;
    }
    WriteThrough(at, data, count);
  } else {
    Flush();
    m_bufferStart = at;
    std::memcpy(m_buffer.data(), data, count);
    m_bufferUsed = count;
    m_dirty = true;
  }
  m_position = end;
  m_length = std::max(m_length, end);
}

std::uint64_t CFile::Seek(std::int64_t offset, SeekPosition from) {
  const std::int64_t base = from == current ? static_cast<std::int64_t>(m_position) : 0;
  const std::int64_t target = base + offset;
  m_position = target < 0 ? 0 : static_cast<std::uint64_t>(target);
  return m_position;
}

void CFile::Sync() {
  Flush();
  if (m_fd >= 0 && ::fsync(m_fd) != 0) ThrowOsError();
}

void CFile::Close() {
  if (m_fd < 0) return;
  try {
    Flush();
  } catch (...) {
    Abort();
    throw;
  }
  const int fd = m_fd;
  m_fd = -1;
  m_buffer = {};
  m_bufferUsed = 0;
  if (::close(fd) != 0 && m_writable) ThrowOsError();
}

// Bytes handed to Write are kept even here, as an unbuffered file would have them on disk already;
// only the errors go unreported.
void CFile::Abort() noexcept {
  if (m_fd < 0) return;
  try {
    Flush();
  } catch (...) {  // nobody to report to
  }
  ::close(m_fd);
  m_fd = -1;
  m_dirty = false;
  m_buffer = {};
  m_bufferUsed = 0;
}

bool CFile::Remove(const WString& path) {
  std::error_code error;
  return std::filesystem::remove(ToNativePath(path), error);
}

int CheckReplaceable(const WString& path) {
  const std::string native = ToNativePath(path).string();
  struct stat info {};
  if (::stat(native.c_str(), &info) != 0) return 0;
  if (S_ISDIR(info.st_mode)) return EISDIR;
  return ::access(native.c_str(), W_OK) == 0 ? 0 : errno;
}

bool CreateSiblingFile(const WString& path, WString& created, int& error) {
  static std::atomic<unsigned> s_serial{0};
  const std::filesystem::path target = ToNativePath(path);
  struct stat info {};
  const bool replacing = ::stat(target.c_str(), &info) == 0;
  constexpr int kAttempts = 100;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    // Not derived from the file's own name, which may already be as long as a name can be.
    const std::string name =
        ".tavi-" + std::to_string(::getpid()) + "-" + std::to_string(s_serial++) + ".tmp";
    const std::filesystem::path sibling = target.parent_path() / name;
    const int fd = ::open(sibling.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) {
      error = errno;
      return false;
    }
    if (replacing) ::fchmod(fd, info.st_mode & 07777);
    ::close(fd);
    created = FromNativePath(sibling);
    return true;
  }
  error = EEXIST;
  return false;
}

void CFile::Rename(const WString& from, const WString& to) {
  if (::rename(ToNativePath(from).c_str(), ToNativePath(to).c_str()) != 0) ThrowOsError();
}

}  // namespace tavi
