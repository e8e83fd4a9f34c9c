#include "model/compact_string.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>

#include "model/model_pool.h"
#include "platform/code_page.h"

namespace tavi {

namespace {

constexpr std::size_t kKeptScratchBytes = 64 * 1024;

// The UTF-8 form of text, in a buffer each thread reuses.
std::string_view EncodedScratch(WStringView text) {
  thread_local std::string scratch;
  if (scratch.capacity() > kKeptScratchBytes) std::string().swap(scratch);  // after a huge text
  scratch.clear();
  AppendUtf8(text, scratch);
  return scratch;
}

// Narrows every unit into out and tells whether they all were ASCII. One pass without an early
// exit, which the compiler turns into vector code.
bool NarrowIfAscii(WStringView text, char* out) {
  WChar seen = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    seen = static_cast<WChar>(seen | text[i]);
    out[i] = static_cast<char>(text[i]);
  }
  return seen < 0x80;
}

}  // namespace

void CCompactString::Assign(WStringView text) {
  // Most texts are ASCII, whose UTF-8 form is the units themselves: no encoder, no scratch copy.
  char* block = NewBlock(text.size());
  if (block == nullptr || NarrowIfAscii(text, Payload(block))) {
    Replace(block);
    return;
  }
  PoolFree(block, kLengthBytes + text.size());
  AssignUtf8(EncodedScratch(text));
}

WString CCompactString::str() const {
  return Utf8ToWide(utf8());
}

bool operator==(const CCompactString& a, WStringView b) {
  return a.utf8() == (b.empty() ? std::string_view() : EncodedScratch(b));
}

void CCompactString::AssignUtf8(std::string_view bytes) {
  char* block = NewBlock(bytes.size());
  if (block != nullptr) std::memcpy(Payload(block), bytes.data(), bytes.size());
  Replace(block);
}

char* CCompactString::NewBlock(std::size_t bytes) {
  if (bytes == 0) return nullptr;
  // A length beyond 32 bits has no place in the block; such a text could never be saved either.
  if (bytes > std::numeric_limits<std::uint32_t>::max()) {
    throw std::length_error("text field too long");
  }
  const auto length = static_cast<std::uint32_t>(bytes);
  char* block = static_cast<char*>(PoolAllocate(kLengthBytes + bytes));
  std::memcpy(block, &length, kLengthBytes);
  return block;
}

void CCompactString::Replace(char* block) {
  Release();
  m_block = block;
}

void CCompactString::Release() {
  if (m_block == nullptr) return;
  PoolFree(m_block, kLengthBytes + StoredLength(m_block));
  m_block = nullptr;
}

}  // namespace tavi
