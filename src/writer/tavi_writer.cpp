#include "writer/tavi_writer.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "platform/byte_order.h"
#include "platform/convertor_messages.h"
#include "writer/spatial_index.h"

namespace tavi {

namespace {

constexpr std::size_t kBufferBytes = std::size_t{1} << 20;
constexpr std::size_t kListHeadBytes = 4;
constexpr std::size_t kNodeBytes = 20;
constexpr std::uint32_t kLeafLink = 0x80000000u;
// Records are fetched this many ahead of the one being written: they lie all over the arena.
constexpr std::size_t kPrefetchDistance = 8;
constexpr std::size_t kCacheLine = 64;

std::uint64_t HeaderBytes(const STaviHeader& header) {
  constexpr std::size_t kLongestName = 0xFFFF;
  return kHeaderFixedSize + 2 + 2 * std::min(header.name.size(), kLongestName);
}

std::uint64_t ListBytes(std::size_t nodes) {
  return kListHeadBytes + kNodeBytes * nodes;
}

char* Put(char* out, std::uint32_t value) {
  StoreUInt32LE(out, value);
  return out + 4;
}

}  // namespace

CTaviWriter::CTaviWriter(CFile& file, const CIndexBuilder& index, const CElementArena& records,
                         std::int32_t fileType)
    : m_file(file), m_index(index), m_records(records), m_fileType(fileType) {}

void CTaviWriter::Write(const STaviHeader& header) {
  const std::uint64_t indexStart = HeaderBytes(header);
  if (Layout(indexStart) > kMaxTaviFileBytes) {
    throw CFileException("the file would be larger than the 2 GiB its offsets can address");
  }
  m_buffer.resize(kBufferBytes);
  WriteHeader(m_file, header);
  if (m_file.GetPosition() != indexStart) throw std::logic_error("header size");
  WriteLists();
  for (std::size_t ahead = 0; ahead < kPrefetchDistance; ++ahead) PrefetchNext();
  for (const std::uint32_t leaf : m_leafOrder) {
    WriteBlock(leaf);
    if (g_nProgressTotal != 0) {
      g_nProgressDone += static_cast<std::int32_t>(m_index.Entries(leaf).size());
      PostProgress(
          static_cast<std::int32_t>(50 + std::int64_t{g_nProgressDone} * 30 / g_nProgressTotal));
    }
  }
  Flush();
}

// Lists come in the order a depth-first walk reaches them, each child list when its parent node
// is passed; the blocks follow in the order the same walk passes the leaves.
std::uint64_t CTaviWriter::Layout(std::uint64_t indexStart) {
  m_listOffset.assign(m_index.ListCount(), 0);
  m_blockOffset.assign(m_index.LeafCount(), 0);
  std::uint64_t end = indexStart;
  const auto placeList = [&](std::uint32_t list) {
    m_listOffset[list] = static_cast<std::uint32_t>(std::min(end, kMaxTaviFileBytes + 1));
    m_listOrder.push_back(list);
    end += ListBytes(m_index.NodeCount(list));
  };
  placeList(CIndexBuilder::kRootList);
  std::vector<std::pair<std::uint32_t, std::size_t>> open{{CIndexBuilder::kRootList, 0}};
  while (!open.empty()) {
    auto& [list, next] = open.back();
    if (next == m_index.NodeCount(list)) {
      open.pop_back();
      continue;
    }
    const CIndexBuilder::SNode node = m_index.Node(list, next++);
    if (node.leaf) {
      m_leafOrder.push_back(node.index);
      continue;
    }
    placeList(node.index);
    open.emplace_back(node.index, 0);
  }
  for (const std::uint32_t leaf : m_leafOrder) {
    m_blockOffset[leaf] = static_cast<std::uint32_t>(std::min(end, kMaxTaviFileBytes + 1));
    const std::vector<SLeafEntry>& entries = m_index.Entries(leaf);
    end += 4 + 4 * std::uint64_t{entries.size()};
    for (const SLeafEntry& entry : entries) end += entry.size;
  }
  return end;
}

void CTaviWriter::WriteLists() {
  for (const std::uint32_t list : m_listOrder) {
    const std::size_t count = m_index.NodeCount(list);
    char* out = Room(ListBytes(count));
    out = Put(out, static_cast<std::uint32_t>(count));  // the count byte and three zero bytes
    for (std::size_t slot = 0; slot < count; ++slot) {
      const CIndexBuilder::SNode node = m_index.Node(list, slot);
      for (const std::int32_t edge :
           {node.rect.left, node.rect.top, node.rect.right, node.rect.bottom}) {
        out = Put(out, static_cast<std::uint32_t>(edge));
      }
      out = Put(out, node.leaf ? m_blockOffset[node.index] | kLeafLink : m_listOffset[node.index]);
    }
  }
}

void CTaviWriter::WriteBlock(std::uint32_t leaf) {
  const std::vector<SLeafEntry>& entries = m_index.Entries(leaf);
  char* out = Room(4 + 4 * entries.size());
  out = Put(out, static_cast<std::uint32_t>(entries.size()));
  std::uint32_t offset = m_blockOffset[leaf] + 4 + 4 * static_cast<std::uint32_t>(entries.size());
  for (const SLeafEntry& entry : entries) {
    out = Put(out, offset);
    offset += entry.size;
  }
  for (const SLeafEntry& entry : entries) {
    PrefetchNext();
    WriteRecord(entry);
  }
}

void CTaviWriter::WriteRecord(const SLeafEntry& entry) {
  const CRecordView record = m_records.View(entry.record);
  if (entry.size <= m_buffer.size()) {
    char* out = Room(entry.size);
    if (SaveRecord(record, m_fileType, out) != out + entry.size) {
      throw std::logic_error("element record size");
    }
    return;
  }
  // A record larger than the buffer is made on its own.
  Flush();
  std::vector<char> whole(entry.size);
  if (SaveRecord(record, m_fileType, whole.data()) != whole.data() + whole.size()) {
    throw std::logic_error("element record size");
  }
  m_file.Write(whole.data(), whole.size());
}

void CTaviWriter::PrefetchNext() {
  for (; m_prefetchLeaf < m_leafOrder.size(); ++m_prefetchLeaf, m_prefetchEntry = 0) {
    const std::vector<SLeafEntry>& entries = m_index.Entries(m_leafOrder[m_prefetchLeaf]);
    if (m_prefetchEntry == entries.size()) continue;
    const char* record = m_records.Data(entries[m_prefetchEntry++].record);
    __builtin_prefetch(record);
    __builtin_prefetch(record + kCacheLine);
    return;
  }
}

char* CTaviWriter::Room(std::size_t bytes) {
  if (m_buffer.size() - m_used < bytes) Flush();
  if (m_buffer.size() < bytes) m_buffer.resize(bytes);
  char* at = m_buffer.data() + m_used;
  m_used += bytes;
  return at;
}

void CTaviWriter::Flush() {
  m_file.Write(m_buffer.data(), m_used);
  m_used = 0;
}

}  // namespace tavi
