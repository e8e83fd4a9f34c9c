#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>

#include "platform/wide_string.h"

namespace tavi {

// A text field of the element records. A conversion holds a million elements with seventeen text
// fields each, nearly all of them empty: an empty field costs one pointer and no allocation, and a
// text is one block holding its length and its UTF-8 form, the bytes that its record stores.
// Unpaired surrogates have no UTF-8 form and are held as U+FFFD, as a saved text holds them.
class CCompactString {
 public:
  CCompactString() = default;
  explicit CCompactString(WStringView text) { Assign(text); }
  CCompactString(const CCompactString& other) { AssignUtf8(other.utf8()); }
  CCompactString(CCompactString&& other) noexcept
      : m_block(std::exchange(other.m_block, nullptr)) {}
  CCompactString& operator=(const CCompactString& other) {
    if (this != &other) AssignUtf8(other.utf8());
    return *this;
  }
  CCompactString& operator=(CCompactString&& other) noexcept {
    std::swap(m_block, other.m_block);
    return *this;
  }
  ~CCompactString() { Release(); }

  CCompactString& operator=(WStringView text) {
    Assign(text);
    return *this;
  }
  void Assign(WStringView text);

  bool empty() const { return m_block == nullptr; }
  // The stored UTF-8 bytes, valid until the next assignment.
  std::string_view utf8() const {
    if (m_block == nullptr) return {};
    return {m_block + kLengthBytes, StoredLength(m_block)};
  }
  WString str() const;
  operator WString() const { return str(); }

  friend bool operator==(const CCompactString& a, WStringView b);
  friend bool operator==(const CCompactString& a, const CCompactString& b) {
    return a.utf8() == b.utf8();
  }

 private:
  // Takes bytes that are valid UTF-8 already.
  void AssignUtf8(std::string_view bytes);
  // A block for a text of that many bytes, its length written; null for none.
  static char* NewBlock(std::size_t bytes);
  void Replace(char* block);
  void Release();
  static std::uint32_t StoredLength(const char* block) {
    std::uint32_t length = 0;
    std::memcpy(&length, block, kLengthBytes);
    return length;
  }

  static char* Payload(char* block) { return block + kLengthBytes; }

  static constexpr std::size_t kLengthBytes = sizeof(std::uint32_t);

  char* m_block = nullptr;  // [uint32 byte count][bytes]; null for the empty text
};

}  // namespace tavi
