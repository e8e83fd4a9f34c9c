#include "import/csv_byte_fields.h"

#include <algorithm>

namespace tavi {

namespace {

constexpr std::size_t kAsciiEnd = 0x80;
constexpr unsigned char kHighBit = 0x80;

}  // namespace

bool CCsvByteFields::SetSeparators(const CDelimiterSet& separators) {
  m_classes.fill(kText);
  m_classes[static_cast<unsigned char>('"')] = kStop;
  m_classes[0] = kStop;
  m_usable = true;
  for (const WChar c : separators.Text()) {
    if (c >= kAsciiEnd) m_usable = false;
    if (c < kAsciiEnd && c != u'"' && c != 0) m_classes[c] = kSeparator;
  }
  return m_usable;
}

bool CCsvByteFields::Split(std::string_view line) {
  m_fields.clear();
  m_ascii.clear();
  std::size_t start = 0;
  unsigned char seen = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const auto byte = static_cast<unsigned char>(line[i]);
    const std::uint8_t kind = m_classes[byte];
    if (kind == kText) {
      seen |= byte;
      continue;
    }
    if (kind == kStop) return false;
    m_fields.push_back(line.substr(start, i - start));
    m_ascii.push_back((seen & kHighBit) == 0);
    start = i + 1;
    seen = 0;
  }
  m_fields.push_back(line.substr(start));
  m_ascii.push_back((seen & kHighBit) == 0);
  return true;
}

std::size_t CCsvByteFields::CountNonEmpty() const {
  return static_cast<std::size_t>(std::count_if(
      m_fields.begin(), m_fields.end(), [](std::string_view field) { return !field.empty(); }));
}

}  // namespace tavi
