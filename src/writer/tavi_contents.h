#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "model/tavi_element.h"
#include "platform/file.h"
#include "platform/wide_string.h"
#include "writer/index_io.h"
#include "writer/tavi_file.h"

namespace tavi {

// A whole ".tavi" file as the commands that picture or export it read it, without trusting it:
// the header and the index tree first, then the elements leaf by leaf, one at a time, so that a
// file of a million POIs never has them all in memory.
class CTaviContents {
 public:
  enum class EOpenResult { kOpened, kCannotOpen, kNotTavi };

  // Reads the header, the whole index and every leaf's offset table. A damaged index or table
  // still opens with what could be read; Complete() then tells.
  EOpenResult Open(const WString& path);

  // The system's error number when Open gave kCannotOpen.
  int OpenError() const { return m_records.GetLastError(); }
  const STaviHeader& Header() const { return m_file.GetHeader(); }
  const SRectNodeList* Root() const { return m_file.GetRoot(); }
  // Elements listed by the leaves' offset tables.
  std::uint64_t ElementCount() const { return m_elementCount; }

  // Every node of the index in depth-first pre-order with its depth (1 for the root list). The
  // walk keeps its own stack: a tree may be thousands of levels deep.
  void VisitNodes(const std::function<void(const SRectNode&, int depth)>& visit) const;

  // Loads the elements in index order, each numbered from 0, and hands to visit those that take
  // says to take (the others are not read at all).
  void VisitElements(const std::function<bool(std::uint64_t number)>& take,
                     const std::function<void(CTaviElement&)>& visit);

  // False when anything was cut short or damaged; the visits gave what could be read.
  bool Complete() const { return m_complete; }

 private:
  CTaviFile m_file;
  CFile m_records;
  std::vector<std::vector<std::uint32_t>> m_blocks;  // every leaf's offset table, in pre-order
  std::uint64_t m_elementCount = 0;
  bool m_complete = true;
};

}  // namespace tavi
