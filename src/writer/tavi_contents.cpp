#include "writer/tavi_contents.h"

#include <unordered_set>

namespace tavi {

namespace {

struct SConstCursor {
  const SRectNodeList* list = nullptr;
  std::size_t next = 0;
};

}  // namespace

CTaviContents::EOpenResult CTaviContents::Open(const WString& path) {
  if (!m_records.Open(path, CFile::modeRead)) return EOpenResult::kCannotOpen;
  if (!m_file.Open(path, false) || m_file.GetHeader().magic != STaviHeader().magic) {
    return EOpenResult::kNotTavi;
  }
  m_complete = m_file.ReadWholeIndex();
  std::unordered_set<std::uint32_t> seen;
  VisitNodes([this, &seen](const SRectNode& node, int) {
    if ((node.link & kLeafFlag) == 0) return;
    // Leaves sharing a block would let a small file list its offsets over and over.
    if (!seen.insert(node.link).second) {
      m_complete = false;
      return;
    }
    m_blocks.emplace_back();
    m_complete = m_file.ReadElementBlockAt(node.link & ~kLeafFlag, m_blocks.back()) && m_complete;
    m_elementCount += m_blocks.back().size();
  });
  return EOpenResult::kOpened;
}

void CTaviContents::VisitNodes(
    const std::function<void(const SRectNode&, int depth)>& visit) const {
  if (Root() == nullptr) return;
  std::vector<SConstCursor> open{{Root(), 0}};
  while (!open.empty()) {
    SConstCursor& top = open.back();
    if (top.next == top.list->count) {
      open.pop_back();
      continue;
    }
    const SRectNode& node = *top.list->nodes[top.next++];
    visit(node, static_cast<int>(open.size()));
    if ((node.link & kLeafFlag) == 0 && node.children != nullptr) {
      open.push_back({node.children.get(), 0});
    }
  }
}

void CTaviContents::VisitElements(const std::function<bool(std::uint64_t number)>& take,
                                  const std::function<void(CTaviElement&)>& visit) {
  // Each visit reads the records anew, with the reader's full allowance of bytes.
  CIndexReader reader(m_records);
  std::uint64_t number = 0;
  for (const std::vector<std::uint32_t>& block : m_blocks) {
    for (const std::uint32_t offset : block) {
      if (!take(number++)) continue;
      const std::unique_ptr<CTaviElement> element = reader.LoadElement(offset, kElementVersion);
      if (element == nullptr) {
        m_complete = false;
        continue;
      }
      // A record is read until the end of the file at most; one that reached it may be cut.
      if (m_records.GetPosition() >= m_records.GetLength()) {
        CTaviElement again;
        m_complete =
            again.Load(m_records, static_cast<std::int32_t>(offset), kElementVersion) && m_complete;
      }
      visit(*element);
    }
  }
}

}  // namespace tavi
