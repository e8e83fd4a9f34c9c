#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/element_record.h"
#include "model/geo.h"
#include "model/tavi_element.h"

namespace tavi {

// The elements of one conversion: one record per element (see CRecordView), written one after the
// other into large blocks as the importer reads them, and freed all at once with the arena. A
// million POIs take a few dozen bytes each, instead of a dozen objects and text blocks spread
// over the heap. Importers that build element objects hand them over as they are; each becomes a
// record on the way in.
class CElementArena {
 public:
  // Where a record lies; stays valid while the arena lives.
  using Ref = std::uint32_t;

  // A place in the walk through the records in the order they were added.
  struct SCursor {
    std::size_t block = 0;
    std::size_t offset = 0;
  };

  CElementArena();
  // Takes the objects over, in their order, freeing each once it is a record. An empty entry
  // becomes a record without a name.
  CElementArena(ElementArray&& elements);  // NOLINT(google-explicit-constructor): the seam
  ~CElementArena();
  CElementArena(CElementArena&&) noexcept;
  CElementArena& operator=(CElementArena&&) noexcept;
  CElementArena(const CElementArena&) = delete;
  CElementArena& operator=(const CElementArena&) = delete;

  std::size_t Count() const { return m_count; }

  // Adds a record of a new element without scalars; lengths holds the byte length of each text
  // of mask, in slot order. Returns where the texts go, one after the other, in slot order.
  char* AddRecord(GeoPoint position, std::uint32_t mask, const std::uint32_t* lengths);
  // Adds the record of an element object. One read from a file keeps its type and ids.
  Ref AddElement(const CTaviElement& element, bool keepsIdentity);

  CRecordView View(Ref ref) const { return CRecordView(Address(ref)); }
  // Where the record lies, to ask for it ahead of its use.
  const char* Data(Ref ref) const { return Address(ref); }
  // The record at the cursor, moving the cursor past it; false after the last one.
  bool Next(SCursor& cursor, Ref& ref) const;
  void SetId(Ref ref, std::int32_t id);

 private:
  struct SBlock;

  static Ref MakeRef(std::size_t block, std::size_t offset);
  char* Reserve(std::size_t bytes);
  char* Address(Ref ref) const;

  std::vector<SBlock> m_blocks;
  std::size_t m_count = 0;
};

}  // namespace tavi
