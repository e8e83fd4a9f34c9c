#pragma once

#include <cstdint>

namespace tavi {

// Every file this program reads or writes is little-endian, whatever the machine's own order:
// integers are assembled from their bytes and taken apart into them, never copied as they lie.

inline std::uint32_t LoadUInt32LE(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

inline std::int32_t LoadInt32LE(const std::uint8_t* bytes) {
  return static_cast<std::int32_t>(LoadUInt32LE(bytes));
}

inline void StoreUInt32LE(std::uint8_t* bytes, std::uint32_t value) {
  bytes[0] = static_cast<std::uint8_t>(value);
  bytes[1] = static_cast<std::uint8_t>(value >> 8);
  bytes[2] = static_cast<std::uint8_t>(value >> 16);
  bytes[3] = static_cast<std::uint8_t>(value >> 24);
}

}  // namespace tavi
