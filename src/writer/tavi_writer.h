#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/element_arena.h"
#include "platform/file.h"
#include "writer/index_builder.h"
#include "writer/tavi_header.h"

namespace tavi {

// Offsets in a ".tavi" file have 31 bits: a file that would be larger cannot be written.
inline constexpr std::uint64_t kMaxTaviFileBytes = 0x7FFFFFFF;

// Writes a whole ".tavi" file front to back in one pass: the header; the index lists in depth-first
// pre-order; the element blocks of the leaves in depth-first order. Every offset is known before
// anything is written, as every element record's size is, so links and offset tables are written
// in their place, through a large buffer, and nothing is patched afterwards. Reports progress
// from 50 towards 80 while a save is under way (g_nProgressTotal not 0).
class CTaviWriter {
 public:
  CTaviWriter(CFile& file, const CIndexBuilder& index, const CElementArena& records,
              std::int32_t fileType);

  // Writes at the file's start. Throws CFileException when the file would pass kMaxTaviFileBytes
  // (before writing anything) or writing fails.
  void Write(const STaviHeader& header);
  // The leaves in the order of their blocks.
  const std::vector<std::uint32_t>& LeafOrder() const { return m_leafOrder; }

 private:
  std::uint64_t Layout(std::uint64_t indexStart);
  void WriteLists();
  void WriteBlock(std::uint32_t leaf);
  void WriteRecord(const SLeafEntry& entry);
  // Asks for the record after the last one asked for.
  void PrefetchNext();
  char* Room(std::size_t bytes);
  void Flush();

  CFile& m_file;
  const CIndexBuilder& m_index;
  const CElementArena& m_records;
  std::int32_t m_fileType;
  std::vector<std::uint32_t> m_listOrder;
  std::vector<std::uint32_t> m_leafOrder;
  std::vector<std::uint32_t> m_listOffset;   // by list
  std::vector<std::uint32_t> m_blockOffset;  // by leaf
  std::vector<char> m_buffer;
  std::size_t m_used = 0;
  // The next record to ask for, ahead of the one being written.
  std::size_t m_prefetchLeaf = 0;
  std::size_t m_prefetchEntry = 0;
};

}  // namespace tavi
