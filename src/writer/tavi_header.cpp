#include "writer/tavi_header.h"

#include <algorithm>
#include <vector>

#include "model/record_io.h"
#include "platform/byte_order.h"

namespace tavi {

void WriteShortString(CFile& file, const WString& text) {
  const auto count = static_cast<std::uint16_t>(text.size() & 0xFFFFu);
  std::vector<std::uint8_t> bytes(2 + 2 * std::size_t{count});
  StoreUInt16LE(bytes.data(), count);
  EncodeUtf16LE(WStringView(text).substr(0, count), bytes.data() + 2);
  file.Write(bytes.data(), bytes.size());
}

bool ReadShortString(CFile& file, WString& text) {
  text.clear();
  std::array<std::uint8_t, 2> head{};
  if (file.Read(head.data(), head.size()) == 0) return false;
  const std::size_t count = LoadUInt16LE(head.data());
  if (count == 0) return true;
  if (BytesLeft(file) < 2 * count) {
    // The units that are there belong to the cut name, not to what follows the header.
    file.Seek(static_cast<std::int64_t>(file.GetLength()), CFile::begin);
    return false;
  }
  std::vector<std::uint8_t> bytes(2 * count);
  if (file.Read(bytes.data(), bytes.size()) != bytes.size()) return false;
  DecodeUtf16LE(bytes.data(), bytes.size(), text);
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
  header.nextId = LoadInt32LE(bytes.data() + 12);
  ReadShortString(file, header.name);
  return true;
}

}  // namespace tavi
