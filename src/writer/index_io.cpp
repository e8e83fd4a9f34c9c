#include "writer/index_io.h"

#include <algorithm>
#include <array>
#include <limits>

#include "model/record_io.h"
#include "platform/byte_order.h"

namespace tavi {

namespace {

constexpr std::size_t kNodeRecordSize = 20;
constexpr std::size_t kListHeadSize = 4;

// A list being read, and whether everything of it so far arrived whole.
struct SReadCursor {
  SListCursor cursor;
  bool complete = true;
};

bool MeetsArea(const SRectNode& node, const BoundingRect* area) {
  return area == nullptr ||
         (area->bottom <= node.top && area->top >= node.bottom &&
          LongitudeRangesOverlap(node.left, node.right, area->left, area->right));
}

}  // namespace

CIndexReader::CIndexReader(CFile& file)
    : m_file(file), m_length(file.GetLength()), m_budget(m_length) {}

bool CIndexReader::Refuse(EReadShortfall shortfall) {
  m_shortfall = shortfall;
  return false;
}

bool CIndexReader::Spend(std::uint64_t bytes) {
  if (bytes > m_budget) {
    m_budget = 0;
    return false;
  }
  m_budget -= bytes;
  return true;
}

bool CIndexReader::ReadNodes(SRectNodeList& list) {
  std::array<std::uint8_t, kListHeadSize> head{};
  if (m_file.Read(head.data(), head.size()) != head.size())
    return Refuse(EReadShortfall::kCutShort);
  if (head[0] > kMaxNodesPerList) return Refuse(EReadShortfall::kDamaged);
  if (!Spend(kListHeadSize + kNodeRecordSize * head[0])) return Refuse(EReadShortfall::kFileSpent);
  for (std::size_t i = 0; i < head[0]; ++i) {
    std::array<std::uint8_t, kNodeRecordSize> record{};
    // A cut record is dropped rather than followed with half of its link.
    if (m_file.Read(record.data(), record.size()) != record.size())
      return Refuse(EReadShortfall::kCutShort);
    auto node = std::make_unique<SRectNode>();
    node->left = LoadInt32LE(record.data());
    node->top = LoadInt32LE(record.data() + 4);
    node->right = LoadInt32LE(record.data() + 8);
    node->bottom = LoadInt32LE(record.data() + 12);
    node->link = LoadUInt32LE(record.data() + 16);
    AppendNode(list, std::move(node));
  }
  return true;
}

bool CIndexReader::EnterList(std::uint64_t offset) {
  if (offset > std::numeric_limits<std::uint32_t>::max())
    return Refuse(EReadShortfall::kOutsideFile);
  if (!m_lists.insert(static_cast<std::uint32_t>(offset)).second)
    return Refuse(EReadShortfall::kListedTwice);
  return true;
}

bool CIndexReader::ReadIndex(SRectNodeList& list) {
  if (!EnterList(m_file.GetPosition())) return false;
  return ReadTree(list, true, nullptr);
}

bool CIndexReader::ReadIndexLists(SRectNodeList& list, bool recurse, const BoundingRect* area) {
  if (!EnterList(m_file.GetPosition())) return false;
  return recurse ? ReadTree(list, false, area) : ReadNodes(list);
}

bool CIndexReader::ReadTree(SRectNodeList& root, bool withElements, const BoundingRect* area) {
  std::vector<SReadCursor> open;
  open.push_back({{&root, 0}, ReadNodes(root)});
  for (;;) {
    SReadCursor& top = open.back();
    if (top.cursor.next < top.cursor.list->count) {
      SRectNode& node = *top.cursor.list->nodes[top.cursor.next++];
      if ((node.link & kLeafFlag) != 0) {
        if (withElements) top.complete = ReadLeafElements(node) && top.complete;
        continue;
      }
      if (!MeetsArea(node, area)) continue;
      if (!EnterList(node.link)) return false;
      node.children = std::make_unique<SRectNodeList>();
      m_file.Seek(node.link, CFile::begin);
      const bool read = ReadNodes(*node.children);
      open.push_back({{node.children.get(), 0}, read});
      continue;
    }
    const bool complete = top.complete;
    open.pop_back();
    if (open.empty()) return complete;
    // A child list without a single node could hold nothing; its node stays an empty leaf then.
    const SListCursor& parent = open.back().cursor;
    SRectNode& node = *parent.list->nodes[parent.next - 1];
    if (withElements && node.children->count == 0) node.children.reset();
    if (!complete) return false;
  }
}

bool CIndexReader::ReadLeafElements(SRectNode& node) {
  node.elements = std::make_unique<ElementArray>();
  std::vector<std::uint32_t> offsets;
  bool complete = ReadElementBlock(node.link & ~kLeafFlag, offsets);
  for (const std::uint32_t offset : offsets) {
    std::unique_ptr<CTaviElement> element = LoadElement(offset, kElementVersion);
    complete = complete && m_shortfall == EReadShortfall::kNone;
    if (element != nullptr) AddElementToLeaf(node, std::move(element));
  }
  return complete;
}

bool CIndexReader::ReadElementBlock(std::uint32_t blockOffset,
                                    std::vector<std::uint32_t>& offsets) {
  offsets.clear();
  m_shortfall = EReadShortfall::kNone;
  // A block shared by two leaves would hand the same records out twice.
  if (!m_blocks.insert(blockOffset).second) return Refuse(EReadShortfall::kListedTwice);
  m_file.Seek(blockOffset, CFile::begin);
  std::uint32_t count = 0;
  if (!ReadUInt32(m_file, count)) return Refuse(EReadShortfall::kCutShort);
  if (!Spend(4)) return Refuse(EReadShortfall::kFileSpent);
  const std::uint64_t position = m_file.GetPosition();
  const std::uint64_t fitting = position < m_length ? (m_length - position) / 4 : 0;
  const std::uint64_t affordable = m_budget / 4;
  const auto taken =
      static_cast<std::size_t>(std::min({std::uint64_t{count}, fitting, affordable}));
  Spend(4 * std::uint64_t{taken});
  std::vector<std::uint8_t> table(4 * taken);
  const std::size_t got = m_file.Read(table.data(), table.size());
  offsets.reserve(got / 4);
  for (std::size_t i = 0; i + 4 <= got; i += 4) offsets.push_back(LoadUInt32LE(table.data() + i));
  if (offsets.size() == count) return true;
  return Refuse(taken < std::min<std::uint64_t>(count, fitting) ? EReadShortfall::kFileSpent
                                                                : EReadShortfall::kCutShort);
}

std::unique_ptr<CTaviElement> CIndexReader::LoadElement(std::uint32_t offset,
                                                        std::int32_t version) {
  m_shortfall = EReadShortfall::kNone;
  if (offset > 0x7FFFFFFFu || offset + kMinElementRecordSize > m_length) {
    Refuse(EReadShortfall::kOutsideFile);
    return nullptr;
  }
  if (!m_records.insert(offset).second) {
    Refuse(EReadShortfall::kListedTwice);
    return nullptr;
  }
  if (m_budget < kMinElementRecordSize) {
    Refuse(EReadShortfall::kFileSpent);
    return nullptr;
  }
  auto element = std::make_unique<CTaviElement>();
  const bool whole = element->Load(m_file, static_cast<std::int32_t>(offset), version);
  const std::uint64_t end = m_file.GetPosition();
  Spend(std::max(end > offset ? end - offset : 0, kMinElementRecordSize));
  if (!whole) m_shortfall = EReadShortfall::kCutShort;
  return element;
}

}  // namespace tavi
