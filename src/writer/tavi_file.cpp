#include "writer/tavi_file.h"

#include <array>
#include <string>
#include <utility>

#include "platform/convertor_messages.h"
#include "platform/path.h"
#include "writer/index_builder.h"
#include "writer/index_io.h"
#include "writer/tavi_writer.h"

namespace tavi {

namespace {

constexpr std::int32_t kDetailsVersion = 2;

WString Widen(const std::string& text) {
  return WString(text.begin(), text.end());
}

// Runs its action when the scope is left, also by an exception.
template <typename Action>
class CScopeExit {
 public:
  explicit CScopeExit(Action action) : m_action(std::move(action)) {}
  ~CScopeExit() {
    if (m_armed) m_action();
  }
  CScopeExit(const CScopeExit&) = delete;
  CScopeExit& operator=(const CScopeExit&) = delete;
  void Dismiss() { m_armed = false; }

 private:
  Action m_action;
  bool m_armed = true;
};

}  // namespace

CTaviFile::CTaviFile() = default;

CTaviFile::~CTaviFile() {
  // A destructor reports nothing: whatever is still open is closed without raising, and a
  // replacement that was not completed is not left behind.
  m_file.Abort();
  m_openState = -1;
  Close(true);
  DiscardWorkFile();
}

void CTaviFile::DiscardWorkFile() {
  if (m_workPath.empty()) return;
  CFile::Remove(m_workPath);
  m_workPath.clear();
}

std::uint32_t CTaviFile::NameHash(WStringView text) {
  std::uint32_t h = 0;
  for (const WChar c : text) {
    h = (h << 8) + c;
    const std::uint32_t g = h & 0xF0000000u;
    h = (h ^ (g >> 24)) & ~g;
  }
  return h;
}

WString CTaviFile::GetBaseName(WStringView path) {
  std::size_t start = 0;
  std::size_t dot = WStringView::npos;
  for (std::size_t i = path.size(); i-- > 0;) {
    if (path[i] == kPathSeparator) {
      start = i + 1;
      break;
    }
    if (path[i] == u'.' && dot == WStringView::npos) dot = i;
  }
  if (dot == WStringView::npos) return {};
  return WString(path.substr(start, dot - start));
}

bool CTaviFile::Create(const WString& path, const BoundingRect& bounds) {
  m_lastError = CheckReplaceable(path);
  if (m_lastError != 0) return false;
  DiscardWorkFile();
  WString work;
  if (!CreateSiblingFile(path, work, m_lastError)) return false;
  m_workPath = work;
  if (!m_file.Open(m_workPath, CFile::modeCreate | CFile::modeWrite)) {
    m_lastError = m_file.GetLastError();
    DiscardWorkFile();
    return false;
  }
  m_path = path;
  const WString base = GetBaseName();
  m_header.poiType = NameHash(base);
  m_header.name = base;
  const CIndexBuilder index(bounds);
  const CElementArena none;
  CTaviWriter(m_file, index, none, static_cast<std::int32_t>(m_header.poiType)).Write(m_header);

  m_openState = 0;
  Close(true);
  return true;
}

bool CTaviFile::Reload() {
  Close(true);
  const WString& source = m_workPath.empty() ? m_path : m_workPath;
  if (source.empty()) return false;
  if (!m_file.Open(source, CFile::modeRead)) return false;
  m_openState = 0;
  const bool header = ReadHeader(m_file, m_header);
  if (header) {
    m_root = std::make_unique<SRectNodeList>();
    // A damaged index is taken as far as it could be read.
    CIndexReader(m_file).ReadIndex(*m_root);
  }
  // Bytes the system failed to deliver are no damage of the file: saving what arrived would lose
  // the rest without a word.
  if (const int error = m_file.GetReadError(); error != 0) {
    Close(true);
    throw CFileException(DescribeError(error));
  }
  if (!header) {
    Close(true);
    return false;
  }
  Close(false);
  return true;
}

int CTaviFile::AddElementsAndSave(CElementArena&& elements) {
  // Owned from here on, so that an exception frees whatever has not been stored.
  CElementArena records = std::move(elements);
  // The elements handed in; those read back from the file are added after them.
  const std::size_t count = records.Count();
  if (!Reload()) return 0;
  auto index = std::make_unique<CIndexBuilder>(*m_root, records);
  ReleaseIndex();
  m_leftOutCount = 0;
  m_storedCount = StoreRecords(*index, records, count);
  int result = 0;
  if (m_storedCount == 0) {
    Close(true);
    DiscardWorkFile();
  } else {
    if (!m_saveNotice.empty()) PostLogLine(m_saveNotice);
    PostLogLine(u"Saving tavi file - " + m_path);
    g_nProgressDone = 0;
    g_nProgressTotal = static_cast<std::int32_t>(count);
    result = SaveFile(std::move(index), std::move(records));
    if (result != 0) {
      PostLogLine(Widen("Successfully imported " + std::to_string(m_storedCount) + " pois - ") +
                  m_path);
    }
  }
  // Nothing is dropped without a word, also when nothing could be stored at all.
  if (m_leftOutCount != 0) {
    PostLogLine(Widen("Left out " + std::to_string(m_leftOutCount) + " pois outside the index - ") +
                m_path);
  }
  return result;
}

// Gives each record with a name and a position the next id and puts it into the leaf that
// contains it, in order, a batch at a time; counts those no leaf contains. Insertion moves the
// progress from 30 towards 50, by the index among all records handed in.
std::int32_t CTaviFile::StoreRecords(CIndexBuilder& index, CElementArena& records,
                                     std::size_t count) {
  const auto total = static_cast<std::int64_t>(count);
  std::int64_t nextPercentAt = 0;
  std::int32_t stored = 0;
  CElementArena::SCursor cursor;
  std::array<SLeafEntry, CIndexBuilder::kMaxBatch> entries;
  std::array<std::int64_t, CIndexBuilder::kMaxBatch> indices{};
  std::array<std::uint32_t, CIndexBuilder::kMaxBatch> leaves{};
  CElementArena::Ref ref = 0;
  std::int64_t i = 0;
  while (i < total) {
    std::size_t size = 0;
    for (; size < entries.size() && i < total; ++i) {
      if (!records.Next(cursor, ref)) {
        i = total;
        break;
      }
      const CRecordView record = records.View(ref);
      if (!record.HasText(kSlotName) || record.Position() == kNoPosition) continue;
      indices[size] = i;
      entries[size++] = CIndexBuilder::EntryOf(record, ref);
    }
    index.InsertBatch({entries.data(), size}, {leaves.data(), size});
    for (std::size_t k = 0; k < size; ++k) {
      if (leaves[k] == CIndexBuilder::kNone) {
        ++m_leftOutCount;
        continue;
      }
      ++stored;
      records.SetId(entries[k].record, m_header.nextId);
      // A header read from a damaged file may hold any value; the count wraps instead of
      // overflowing.
      m_header.nextId = static_cast<std::int32_t>(static_cast<std::uint32_t>(m_header.nextId) + 1);
      // The percentage changes only every total / 20 records: it is worked out only then.
      if (indices[k] >= nextPercentAt) {
        const std::int64_t percent = 30 + 20 * indices[k] / total;
        PostProgress(static_cast<std::int32_t>(percent));
        nextPercentAt = ((percent - 29) * total + 19) / 20;
      }
    }
  }
  return stored;
}

// The new content goes to a file of its own beside the output and replaces the output in one
// rename once it is complete and on disk: until then the previous file of that name stays as it
// was, whatever stops the save.
int CTaviFile::SaveFile(std::unique_ptr<CIndexBuilder> index, CElementArena records) {
  CFile file;
  bool written = false;
  // However the save ends, no save is under way afterwards; a file that could not be completed is
  // not left behind.
  CScopeExit cleanup([&] {
    g_nProgressTotal = 0;
    if (!written) {
      file.Abort();
      DiscardWorkFile();
    }
  });
  Close(false);
  if ((m_workPath.empty() && !CreateSiblingFile(m_path, m_workPath, m_lastError)) ||
      !file.Open(m_workPath, CFile::modeCreate | CFile::modeWrite)) {
    return 0;
  }
  m_header.name = GetBaseName();
  CTaviWriter writer(file, *index, records, static_cast<std::int32_t>(NameHash(m_header.name)));
  writer.Write(m_header);
  file.Sync();
  file.Close();
  CFile::Rename(m_workPath, m_path);
  m_workPath.clear();
  written = true;

  // Freeing moves the progress from 80 towards 100, leaf by leaf in the order of the blocks.
  g_nProgressDone = 0;
  for (const std::uint32_t leaf : writer.LeafOrder()) {
    g_nProgressDone += static_cast<std::int32_t>(index->Entries(leaf).size());
    PostProgress(
        static_cast<std::int32_t>(80 + std::int64_t{g_nProgressDone} * 20 / g_nProgressTotal));
  }
  index.reset();
  records = CElementArena();
  return 1;
}

void CTaviFile::ReleaseIndex() {
  if (m_root == nullptr) return;
  FreeNodeList(*m_root);
  m_root.reset();
}

void CTaviFile::Close(bool release) {
  if (!release) {
    if (m_file.IsOpen()) m_file.Close();
    m_openState = -1;
    return;
  }
  ReleaseIndex();
  for (auto& element : m_loaded) element.reset();
  m_cache.clear();
  if (m_openState != -1) {
    m_file.Close();
    m_found.clear();
  }
  m_openState = -1;
}

bool CTaviFile::OpenForReading() {
  if (m_openState == -1) {
    if (m_path.empty() || !m_file.Open(m_path, CFile::modeRead)) return false;
  }
  m_openState = 0;
  return true;
}

bool CTaviFile::Open(const WString& path, bool keepOpen) {
  m_path = path;
  if (m_path.empty()) return false;
  if (!m_file.Open(m_path, CFile::modeRead)) return false;
  m_openState = 0;
  m_root = std::make_unique<SRectNodeList>();
  if (!ReadHeader(m_file, m_header)) return false;
  m_indexStart = m_file.GetPosition();
  ReadIndexLists(*m_root, m_file, false, nullptr);
  if (!keepOpen && m_openState != -1) {
    m_file.Close();
    m_found.clear();
    m_openState = -1;
  }
  return true;
}

std::uint32_t CTaviFile::GetPoiType() const {
  return 0;
}

bool CTaviFile::ReadIndexLists(SRectNodeList& list, CFile& file, bool recurse,
                               const BoundingRect* area) {
  return CIndexReader(file).ReadIndexLists(list, recurse, area);
}

bool CTaviFile::LoadNextFoundBlock(std::vector<CTaviElement*>& elements) {
  if (!OpenForReading()) return false;
  if (m_found.empty()) {
    m_file.Close();
    m_openState = -1;
    return false;
  }
  const SFoundRectPointer entry = std::move(m_found.front());
  m_found.pop_front();
  CIndexReader reader(m_file);
  std::vector<std::uint32_t> offsets;
  reader.ReadElementBlock(entry.blockOffset, offsets);
  for (const std::uint32_t offset : offsets) {
    std::unique_ptr<CTaviElement> element = reader.LoadElement(offset, kElementVersion);
    if (element == nullptr) continue;
    element->type = static_cast<std::int32_t>(GetPoiType());
    element->fileId = m_fileId;
    elements.push_back(element.get());
    m_loaded.push_back(std::move(element));
    ++m_openState;
  }
  return true;
}

CTaviElement* CTaviFile::GetElementAt(std::uint32_t offset) {
  if (const auto cached = m_cache.find(offset); cached != m_cache.end())
    return cached->second.get();
  if (!OpenForReading()) return nullptr;
  std::unique_ptr<CTaviElement> element = CIndexReader(m_file).LoadElement(offset, kElementVersion);
  CTaviElement* result = element.get();
  if (element != nullptr) {
    element->type = static_cast<std::int32_t>(GetPoiType());
    m_cache.emplace(offset, std::move(element));
  }
  m_file.Close();
  m_found.clear();
  m_openState = -1;
  return result;
}

bool CTaviFile::ReloadElementDetails(CTaviElement& element) {
  if (!OpenForReading()) return false;
  const auto offset = static_cast<std::uint64_t>(element.offset);
  if (element.offset < 0 || offset + kMinElementRecordSize > m_file.GetLength()) return false;
  return element.Load(m_file, element.offset, kDetailsVersion);
}

bool CTaviFile::ReadWholeIndex() {
  if (!OpenForReading()) return false;
  m_root = std::make_unique<SRectNodeList>();
  m_file.Seek(static_cast<std::int64_t>(m_indexStart), CFile::begin);
  return ReadIndexLists(*m_root, m_file, true, nullptr);
}

bool CTaviFile::ReadElementBlockAt(std::uint32_t blockOffset, std::vector<std::uint32_t>& offsets) {
  if (!OpenForReading()) return false;
  return CIndexReader(m_file).ReadElementBlock(blockOffset, offsets);
}

void CTaviFile::AddFoundBlock(std::uint32_t blockOffset) {
  m_found.push_back(SFoundRectPointer{blockOffset, 0, nullptr});
}

bool CCustomTaviFile::Open(const WString& path, bool keepOpen) {
  if (!CTaviFile::Open(path, keepOpen)) return false;
  m_header.poiType = NameHash(GetBaseName());
  return true;
}

std::uint32_t CCustomTaviFile::GetPoiType() const {
  return m_header.poiType;
}

}  // namespace tavi
