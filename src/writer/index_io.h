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

// Why the last read of a reader gave less than it was asked for.
enum class EReadShortfall {
  kNone,
  kCutShort,     // the file ends inside it
  kOutsideFile,  // it cannot lie in the file
  kDamaged,      // a list count that no sound file holds
  kListedTwice,  // a block or record that the reader has read before
  kFileSpent,    // the lists, tables and records read so far already take the file's every byte
};

// Reads index lists and element blocks of one open file without trusting its links and counts.
// In a sound file every list, offset table and element record has bytes of its own, so one reader
// never reads a list, a block or a record twice, and the bytes of all it has read never add up to
// more than the file holds: links that lead back cannot loop, and blocks and records that overlap
// or are shared cost no more than the file's size, however many leaves point at them. Nesting is
// not limited: a legal tree may be thousands of levels deep, so lists are followed with a stack of
// their own instead of calls, and the depth of a file costs memory, not call stack. Every result
// is false when something had to be refused or was short; Shortfall tells what.
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
  // Null when the record cannot lie in the file, was loaded before, or the file's bytes have all
  // been spent. A record cut short is returned as far as it was read, with the shortfall set.
  std::unique_ptr<CTaviElement> LoadElement(std::uint32_t offset, std::int32_t version);
  EReadShortfall Shortfall() const { return m_shortfall; }

 private:
  bool ReadNodes(SRectNodeList& list);
  bool EnterList(std::uint64_t offset);
  bool Refuse(EReadShortfall shortfall);
  // Takes bytes from what the file holds; false, with the budget gone, when they are not there.
  bool Spend(std::uint64_t bytes);
  // Reads the list at the current position and, depth first in list order, the child lists of the
  // internal nodes that meet the area. With elements, also the leaves' elements, and a child list
  // without a node is dropped again. Stops at the first list refused or left incomplete below the
  // root.
  bool ReadTree(SRectNodeList& root, bool withElements, const BoundingRect* area);
  bool ReadLeafElements(SRectNode& node);

  CFile& m_file;
  std::uint64_t m_length;
  std::uint64_t m_budget;  // bytes of the file not yet taken by a list, table or record
  EReadShortfall m_shortfall = EReadShortfall::kNone;
  std::unordered_set<std::uint32_t> m_lists;
  std::unordered_set<std::uint32_t> m_blocks;
  std::unordered_set<std::uint32_t> m_records;
};

}  // namespace tavi
