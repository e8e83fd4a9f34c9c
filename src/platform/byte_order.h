#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "platform/wide_string.h"

namespace tavi {

// Every file this program reads or writes is little-endian, whatever the machine's own order:
// integers are assembled from their bytes and taken apart into them, never copied as they lie.
// The functions take any one-byte type, as buffers come as char and as std::uint8_t.

template <typename Byte>
concept OneByte = sizeof(Byte) == 1 && std::is_integral_v<Byte>;

template <OneByte Byte>
std::uint16_t LoadUInt16LE(const Byte* bytes) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[0]) |
                                    static_cast<std::uint8_t>(bytes[1]) << 8);
}

template <OneByte Byte>
std::uint16_t LoadUInt16BE(const Byte* bytes) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[0]) << 8 |
                                    static_cast<std::uint8_t>(bytes[1]));
}

template <OneByte Byte>
std::uint32_t LoadUInt32LE(const Byte* bytes) {
  return static_cast<std::uint32_t>(LoadUInt16LE(bytes)) |
         static_cast<std::uint32_t>(LoadUInt16LE(bytes + 2)) << 16;
}

template <OneByte Byte>
std::int32_t LoadInt32LE(const Byte* bytes) {
  return static_cast<std::int32_t>(LoadUInt32LE(bytes));
}

template <OneByte Byte>
void StoreUInt16LE(Byte* bytes, std::uint16_t value) {
  bytes[0] = static_cast<Byte>(value & 0xFF);
  bytes[1] = static_cast<Byte>(value >> 8);
}

template <OneByte Byte>
void StoreUInt32LE(Byte* bytes, std::uint32_t value) {
  StoreUInt16LE(bytes, static_cast<std::uint16_t>(value & 0xFFFF));
  StoreUInt16LE(bytes + 2, static_cast<std::uint16_t>(value >> 16));
}

// UTF-16 text in the files is a run of little-endian code units.

// Decodes the units of bytes[0, byteCount) into text (replacing its content); an odd last byte is
// no unit and is left out. With stopAtZero, the text ends before the first zero unit; the result
// tells whether one was met.
template <OneByte Byte>
bool DecodeUtf16LE(const Byte* bytes, std::size_t byteCount, WString& text,
                   bool stopAtZero = false) {
  const std::size_t units = byteCount / 2;
  text.resize(units);
  for (std::size_t i = 0; i < units; ++i) {
    const auto unit = static_cast<WChar>(LoadUInt16LE(bytes + 2 * i));
    if (stopAtZero && unit == 0) {
      text.resize(i);
      return true;
    }
    text[i] = unit;
  }
  return false;
}

// Writes the units of text to out, which has room for 2 * text.size() bytes.
template <OneByte Byte>
void EncodeUtf16LE(WStringView text, Byte* out) {
  for (std::size_t i = 0; i < text.size(); ++i) StoreUInt16LE(out + 2 * i, text[i]);
}

}  // namespace tavi
