#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "model/element_arena.h"
#include "model/geo.h"
#include "model/tavi_element.h"
#include "platform/file.h"
#include "platform/wide_string.h"
#include "writer/index_builder.h"
#include "writer/spatial_index.h"
#include "writer/tavi_header.h"

namespace tavi {

// One queued leaf block for LoadNextFoundBlock.
struct SFoundRectPointer {
  std::uint32_t blockOffset = 0;
  std::uint32_t reserved = 0;  // not interpreted
  std::unique_ptr<ElementArray> elements;
};

// The container of one ".tavi" file: its path, header and spatial index, whose leaves own the
// elements. Creates, fills and rewrites a file, and reads existing ones.
class CTaviFile {
 public:
  CTaviFile();
  virtual ~CTaviFile();
  CTaviFile(const CTaviFile&) = delete;
  CTaviFile& operator=(const CTaviFile&) = delete;

  // Writes an empty container over the rectangle: header, one leaf, one empty block. The file at
  // path is not touched yet: the container is written beside it and replaces it only when a save
  // completes. False when it cannot be created (GetLastError tells why: a folder or a file that
  // cannot be written stands at path, or the folder does not allow a new file). Write errors
  // raise CFileException.
  bool Create(const WString& path, const BoundingRect& bounds);
  // Takes every element: stores it in the index or destroys it, then rewrites the file. 1 when
  // the file was rewritten with at least one new element, 0 otherwise. Raises CFileException when
  // the file cannot be read back or the new one cannot be written. An element that no leaf of
  // the index contains is counted and reported in a log line after the save.
  int AddElementsAndSave(CElementArena&& elements);
  // Counts of the last AddElementsAndSave.
  std::int32_t GetStoredCount() const { return m_storedCount; }
  std::int32_t GetLeftOutCount() const { return m_leftOutCount; }
  // A log line posted right before "Saving tavi file" when a save takes place.
  void SetSaveNotice(WString notice) { m_saveNotice = std::move(notice); }
  // The system's error number of the last Create that failed.
  int GetLastError() const { return m_lastError; }

  // Reads the header and the root list's node records (no child lists, no elements). False when
  // the file cannot be opened or its header is cut; the index's own state is not part of the
  // result (ReadWholeIndex reports it).
  virtual bool Open(const WString& path, bool keepOpen);
  // Closes the file; with release, also frees the index and every element the container loaded.
  virtual void Close(bool release);
  // The type given to loaded elements.
  virtual std::uint32_t GetPoiType() const;
  // Loads the elements of the first queued block into elements (and m_loaded, which owns them).
  virtual bool LoadNextFoundBlock(std::vector<CTaviElement*>& elements);
  // The element whose record starts at offset, read once and then served from the cache; null
  // when the file cannot be opened or the record cannot lie inside it.
  virtual CTaviElement* GetElementAt(std::uint32_t offset);
  // Re-reads the element's record from its own offset with the version that ends at the address.
  virtual bool ReloadElementDetails(CTaviElement& element);

  // Reads the list at file's current position into list; see CIndexReader for the damage rules.
  bool ReadIndexLists(SRectNodeList& list, CFile& file, bool recurse, const BoundingRect* area);

  // Inspection of an opened file. ReadWholeIndex re-reads every list (no elements) from the end
  // of the header into the root; false when a list was cut, damaged or refused, with whatever
  // could be read left in place. ReadElementBlockAt gives the offset table of one leaf's block,
  // as far as the file holds it; false when it is cut.
  const STaviHeader& GetHeader() const { return m_header; }
  const SRectNodeList* GetRoot() const { return m_root.get(); }
  bool ReadWholeIndex();
  bool ReadElementBlockAt(std::uint32_t blockOffset, std::vector<std::uint32_t>& offsets);
  // Queues a leaf block for LoadNextFoundBlock.
  void AddFoundBlock(std::uint32_t blockOffset);

  static std::uint32_t NameHash(WStringView text);
  // The file name of path up to its last dot; empty when the name has no dot.
  static WString GetBaseName(WStringView path);
  WString GetBaseName() const { return GetBaseName(m_path); }

 protected:
  STaviHeader m_header;

 private:
  std::int32_t StoreRecords(CIndexBuilder& index, CElementArena& records, std::size_t count);
  int SaveFile(std::unique_ptr<CIndexBuilder> index, CElementArena records);
  bool Reload();
  bool OpenForReading();
  void ReleaseIndex();
  void DiscardWorkFile();

  std::int32_t m_fileId = 0;
  std::deque<SFoundRectPointer> m_found;
  std::vector<std::unique_ptr<CTaviElement>> m_loaded;
  std::unordered_map<std::uint32_t, std::unique_ptr<CTaviElement>> m_cache;
  std::unique_ptr<SRectNodeList> m_root;
  WString m_path;
  WString m_workPath;  // the replacement being written beside m_path, if any
  WString m_saveNotice;
  std::int32_t m_storedCount = 0;
  std::int32_t m_leftOutCount = 0;
  int m_lastError = 0;
  CFile m_file;
  std::int32_t m_openState = -1;
  std::uint64_t m_indexStart = 0;  // where the root list starts, as found by Open
};

// The container the conversion constructs: its files take their type from their name.
class CCustomTaviFile : public CTaviFile {
 public:
  bool Open(const WString& path, bool keepOpen) override;
  std::uint32_t GetPoiType() const override;
};

}  // namespace tavi
