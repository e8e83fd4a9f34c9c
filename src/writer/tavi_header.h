#pragma once

#include <array>
#include <cstdint>

#include "platform/file.h"
#include "platform/wide_string.h"

namespace tavi {

// The header at the start of every ".tavi" file.
struct STaviHeader {
  std::array<std::uint8_t, 4> magic{'I', 'V', 'A', 'T'};
  std::uint32_t poiType = 0x53544431;
  std::array<std::uint8_t, 4> version{'2', '0', '0', '0'};
  std::int32_t nextId = 1;  // the id the next stored element receives
  WString name;
};

// The fixed part before the name.
inline constexpr std::size_t kHeaderFixedSize = 16;

// A uint16 count of UTF-16 units, then the units; a longer text is cut to the count's range.
void WriteShortString(CFile& file, const WString& text);
// False when no count byte arrives or the units are short; the text is then empty.
bool ReadShortString(CFile& file, WString& text);

void WriteHeader(CFile& file, const STaviHeader& header);
// False when the fixed part is short: a header cut inside its first 16 bytes is not trusted.
// The name's own result does not matter.
bool ReadHeader(CFile& file, STaviHeader& header);

}  // namespace tavi
