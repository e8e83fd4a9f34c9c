#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/byte_order.h"

namespace tavi {

// An element record being built in memory before it is written at once. Appending costs one
// comparison and the stores: records are built millions of times, field by field.
class CRecordBuffer {
 public:
  // Room for count more bytes at the end of the record, to be filled by the caller.
  char* Extend(std::size_t count) {
    if (m_bytes.size() - m_used < count) Grow(count);
    char* at = m_bytes.data() + m_used;
    m_used += count;
    return at;
  }

  void Clear() { m_used = 0; }
  // Lets go of the storage when a huge record left it beyond keptBytes.
  void Trim(std::size_t keptBytes) {
    if (m_bytes.size() > keptBytes) std::string().swap(m_bytes);
  }

  const char* data() const { return m_bytes.data(); }
  std::size_t size() const { return m_used; }
  std::string_view view() const { return {m_bytes.data(), m_used}; }

 private:
  void Grow(std::size_t count) {
    m_bytes.resize(std::max(2 * m_bytes.size(), std::max<std::size_t>(m_used + count, 256)));
  }

  std::string m_bytes;
  std::size_t m_used = 0;
};

// Little-endian fields appended to a record.
inline void AppendUInt8(CRecordBuffer& record, std::uint8_t value) {
  *record.Extend(1) = static_cast<char>(value);
}

inline void AppendUInt32(CRecordBuffer& record, std::uint32_t value) {
  StoreUInt32LE(record.Extend(4), value);
}

inline void AppendInt32(CRecordBuffer& record, std::int32_t value) {
  AppendUInt32(record, static_cast<std::uint32_t>(value));
}

}  // namespace tavi
