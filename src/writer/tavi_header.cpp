#include "writer/tavi_header.h"

#include <algorithm>
#include <vector>

#include "model/record_io.h"
#include "platform/byte_order.h"

namespace tavi {

void WriteShortString(CFile& file, const WString& text) {
  const auto count = static_cast<std::uint16_t>(text.size() & 0xFFFFu);
  std::vector<std::uint8_t> bytes;
  bytes.reserve(2 + 2 * std::size_t{count});
  bytes.push_back(static_cast<std::uint8_t>(count));
  bytes.push_back(static_cast<std::uint8_t>(count >> 8));
  for (std::size_t i = 0; i < count; ++i) {
    bytes.push_back(static_cast<std::uint8_t>(text[i]));
    bytes.push_back(static_cast<std::uint8_t>(text[i] >> 8));
  }
  file.Write(bytes.data(), bytes.size());
}

bool ReadShortString(CFile& file, WString& text) {
  text.clear();
  std::array<std::uint8_t, 2> head{};
  if (file.Read(head.data(), head.size()) == 0) return false;
  const std::size_t count = static_cast<std::size_t>(head[0]) | static_cast<std::size_t>(head[1])
                                                                    << 8;
  if (count == 0) return true;
  if (BytesLeft(file) < 2 * count) {
    // The units that are there belong to the cut name, not to what follows the header.
    file.Seek(static_cast<std::int64_t>(file.GetLength()), CFile::begin);
    return false;
  }
  std::vector<std::uint8_t> bytes(2 * count);
  if (file.Read(bytes.data(), bytes.size()) != bytes.size()) return false;
  text.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    text[i] = static_cast<WChar>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  }
  return true;
}

void WriteHeader(CFile& file, const STaviHeader& header) {
  file.Write(header.magic.data(), header.magic.size());
  WriteUInt32(file, header.poiType);
  file.Write(header.version.data(), header.version.size());
  WriteInt32(file, header.nextId);
  WriteShortString(file, header.name);
}

bool ReadHeader(CFile& file, STaviHeader& header) {
  std::array<std::uint8_t, kHeaderFixedSize> bytes{};
  if (file.Read(bytes.data(), bytes.size()) != bytes.size()) return false;
  std::copy(bytes.begin(), bytes.begin() + 4, header.magic.begin());
  header.poiType = LoadUInt32LE(bytes.data() + 4);
  std::copy(bytes.begin() + 8, bytes.begin() + 12, header.version.begin());
  header.nextId = static_cast<std::int32_t>(LoadUInt32LE(bytes.data() + 12));
  ReadShortString(file, header.name);
  return true;
}

}  // namespace tavi
