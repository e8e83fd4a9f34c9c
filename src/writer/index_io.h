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

// An element record holds at least its id, type and presence.
inline constexpr std::uint64_t kMinElementRecordSize = 9;
inline constexpr std::uint32_t kLeafFlag = SRectNode::kLeafFlag;
// The element record layout every file of this format is read with.
inline constexpr std::int32_t kElementVersion = 4;

// Reads index lists and element blocks of one open file without trusting its links and counts:
// no list is read twice (so links that lead back cannot loop, and the lists taken from a file are
// bounded by its size), a count never reaches past the end of the file, no element is loaded at an
// offset whose record would not fit before the end, and the element records loaded by one reader
// together cannot take more bytes than the file holds. Nesting is not limited: a legal tree may be
// thousands of levels deep, so lists are followed with a stack of their own instead of calls, and
// the depth of a file costs memory, not call stack. Every result is false when something had to
// be refused or was short.
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
  bool EnterList(std::uint64_t offset);
  // Reads the list at the current position and, depth first in list order, the child lists of the
  // internal nodes that meet the area. With elements, also the leaves' elements, and a child list
  // without a node is dropped again. Stops at the first list refused or left incomplete below the
  // root.
  bool ReadTree(SRectNodeList& root, bool withElements, const BoundingRect* area);
  bool ReadLeafElements(SRectNode& node);

  CFile& m_file;
  std::uint64_t m_length;
  std::uint64_t m_recordBudget;
  std::unordered_set<std::uint32_t> m_lists;
  std::unordered_set<std::uint32_t> m_blocks;
};

}  // namespace tavi
