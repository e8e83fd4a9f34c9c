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

constexpr std::size_t kLengthBytes = sizeof(std::uint32_t);
constexpr std::size_t kKeptScratchBytes = 64 * 1024;

// The UTF-8 form of text, in a buffer each thread reuses.
std::string_view EncodedScratch(WStringView text) {
  thread_local std::string scratch;
  if (scratch.capacity() > kKeptScratchBytes) std::string().swap(scratch);  // after a huge text
  scratch.clear();
  AppendUtf8(text, scratch);
  return scratch;
}

std::uint32_t StoredLength(const char* block) {
  std::uint32_t length = 0;
  std::memcpy(&length, block, kLengthBytes);
  return length;
}

}  // namespace

void CCompactString::Assign(WStringView text) {
  AssignUtf8(text.empty() ? std::string_view() : EncodedScratch(text));
}

std::string_view CCompactString::utf8() const {
  if (m_block == nullptr) return {};
  return {m_block + kLengthBytes, StoredLength(m_block)};
}

WString CCompactString::str() const {
  return Utf8ToWide(utf8());
}

bool operator==(const CCompactString& a, WStringView b) {
  return a.utf8() == (b.empty() ? std::string_view() : EncodedScratch(b));
}

void CCompactString::AssignUtf8(std::string_view bytes) {
  // A length beyond 32 bits has no place in the block; such a text could never be saved either.
  if (bytes.size() > std::numeric_limits<std::uint32_t>::max()) {
    throw std::length_error("text field too long");
  }
  char* block = nullptr;
  if (!bytes.empty()) {
    const auto length = static_cast<std::uint32_t>(bytes.size());
    block = static_cast<char*>(PoolAllocate(kLengthBytes + bytes.size()));
    std::memcpy(block, &length, kLengthBytes);
    std::memcpy(block + kLengthBytes, bytes.data(), bytes.size());
  }
  Release();
  m_block = block;
}

void CCompactString::Release() {
  if (m_block == nullptr) return;
  PoolFree(m_block, kLengthBytes + StoredLength(m_block));
  m_block = nullptr;
}

}  // namespace tavi
