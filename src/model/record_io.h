#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/byte_order.h"
#include "platform/file.h"

namespace tavi {

// Little-endian integer fields of the element records. A read assigns its value only when every
// byte arrived, so a short read leaves the field as it was and reports false.

inline void WriteUInt8(CFile& file, std::uint8_t value) {
  file.Write(&value, 1);
}

inline void WriteUInt32(CFile& file, std::uint32_t value) {
  std::array<std::uint8_t, 4> bytes{};
  StoreUInt32LE(bytes.data(), value);
  file.Write(bytes.data(), bytes.size());
}

inline void WriteInt32(CFile& file, std::int32_t value) {
  WriteUInt32(file, static_cast<std::uint32_t>(value));
}

inline bool ReadUInt8(CFile& file, std::uint8_t& value) {
  std::uint8_t byte = 0;
  if (file.Read(&byte, 1) != 1) return false;
  value = byte;
  return true;
}

inline bool ReadUInt32(CFile& file, std::uint32_t& value) {
  std::array<std::uint8_t, 4> bytes{};
  if (file.Read(bytes.data(), bytes.size()) != bytes.size()) return false;
  value = LoadUInt32LE(bytes.data());
  return true;
}

inline bool ReadInt32(CFile& file, std::int32_t& value) {
  std::uint32_t bits = 0;
  if (!ReadUInt32(file, bits)) return false;
  value = static_cast<std::int32_t>(bits);
  return true;
}

// Bytes between the current position and the end of the file (0 when positioned beyond it).
inline std::uint64_t BytesLeft(const CFile& file) {
  const std::uint64_t length = file.GetLength();
  const std::uint64_t position = file.GetPosition();
  return position < length ? length - position : 0;
}

}  // namespace tavi
