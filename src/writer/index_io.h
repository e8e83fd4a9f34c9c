#pragma once

#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

#include "model/geo.h"
#include "model/tavi_element.h"
#include "platform/file.h"
#include "writer/spatial_index.h"

namespace tavi {

// First pass of a save: writes the list at the current position, then every list below it in
// depth-first pre-order, patching each link as soon as its target is known. Leaves get a
// placeholder link that WriteElementBlocks replaces. Returns the list's position.
std::uint32_t WriteIndexLists(SRectNodeList& list, CFile& file);
// Second pass: the element block of every leaf in depth-first order, with progress 50..80.
void WriteElementBlocks(SRectNodeList& list, CFile& file);
// Writes the count, the offset table and the records; returns the block's position.
std::uint32_t WriteElementBlock(ElementArray& elements, CFile& file);

// Lists deeper than this are not followed; the writer's trees stay far below it.
inline constexpr int kMaxIndexDepth = 4096;
// An element record holds at least its id, type and presence.
inline constexpr std::uint64_t kMinElementRecordSize = 9;
inline constexpr std::uint32_t kLeafFlag = SRectNode::kLeafFlag;

// Reads index lists and element blocks of one open file without trusting its links and counts:
// no list is read twice (so links that lead back cannot loop), nesting is bounded, a count never
// reaches past the end of the file, no element is loaded at an offset whose record would not fit
// before the end, and the element records loaded by one reader together cannot take more bytes
// than the file holds. Every result is false when something had to be refused or was short.
class CIndexReader {
 public:
  explicit CIndexReader(CFile& file);

  // The list at the current position and everything below it, with the leaves' elements.
  bool ReadIndex(SRectNodeList& list);
  // The list at the current position; with recurse, also the child lists of internal nodes that
  // meet the area (every internal node without an area). No elements are read.
  bool ReadIndexLists(SRectNodeList& list, bool recurse, const BoundingRect* area);
  // The offset table of the block at blockOffset; as many offsets as the file holds.
  bool ReadElementBlock(std::uint32_t blockOffset, std::vector<std::uint32_t>& offsets);
  // Null when the record cannot lie in the file or the file's bytes have all been spent.
  std::unique_ptr<CTaviElement> LoadElement(std::uint32_t offset, std::int32_t version);

 private:
  bool ReadNodes(SRectNodeList& list);
  bool EnterList(std::uint32_t offset, int depth);
  bool ReadIndexAt(SRectNodeList& list, int depth);
  bool ReadLeafElements(SRectNode& node);
  bool ReadListsAt(SRectNodeList& list, bool recurse, const BoundingRect* area, int depth);

  CFile& m_file;
  std::uint64_t m_length;
  std::uint64_t m_recordBudget;
  std::unordered_set<std::uint32_t> m_lists;
  std::unordered_set<std::uint32_t> m_blocks;
};

}  // namespace tavi
