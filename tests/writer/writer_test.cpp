#include <gtest/gtest.h>
#include <sys/stat.h>

#include <set>

#include "platform/convertor_messages.h"
#include "support/test_support.h"
#include "writer/tavi_file.h"
#include "writer/tavi_writer.h"

namespace tavi {
namespace {

using test::Bytes;
using test::CBytes;

constexpr std::uint32_t kShopsType = 0x086F2013;  // the name hash of "Shops"
constexpr BoundingRect kShopsBounds{1500000, 4600000, 1600000, 4500000};

std::unique_ptr<CTaviElement> Poi(WStringView name, GeoPoint p) {
  auto element = std::make_unique<CTaviElement>();
  element->SetName(name);
  element->SetPosition(p);
  return element;
}

// Stores one more element in an existing file, as a second save would.
int AddOne(const WString& path) {
  CCustomTaviFile file;
  file.Open(path, false);
  ElementArray elements;
  elements.push_back(Poi(u"new", {1500000, 4500000}));
  return file.AddElementsAndSave(std::move(elements));
}

// Shops.tavi of the command-line case "layout", whose bytes are worked out there by hand: one
// leaf over kShopsBounds with its block at 52, the records of "A" and "B\u00E9" at 64 and 202.
Bytes ShopsFile() {
  return test::ReadHexFile("tests/cli/data/layout/expect/Shops.tavi.hex");
}

struct SReadBack {
  bool opened = false;
  bool complete = false;  // the index, every block and an element for every offset
  std::vector<std::pair<const SRectNode*, const CTaviElement*>> elements;  // leaf and element
};

// Reads a file with the inspection operations, as the dump does.
SReadBack ReadBack(CTaviFile& file, const WString& path) {
  SReadBack read;
  read.opened = file.Open(path, true);
  if (!read.opened) return read;
  read.complete = file.ReadWholeIndex();
  test::ForEachLeaf(*file.GetRoot(), [&](const SRectNode& leaf) {
    std::vector<std::uint32_t> offsets;
    read.complete =
        file.ReadElementBlockAt(leaf.link & ~SRectNode::kLeafFlag, offsets) && read.complete;
    for (const std::uint32_t offset : offsets) {
      const CTaviElement* element = file.GetElementAt(offset);
      read.complete = element != nullptr && read.complete;
      if (element != nullptr) read.elements.emplace_back(&leaf, element);
    }
  });
  return read;
}

// Elements are numbered on from the file's nextId and split into leaves of the index, each one in
// its leaf, an element on the edge included; the bar moves through the writer's bands.
TEST(TaviFile, AddElementsAndSaveNumbersOnAndReadsBack) {
  test::TempFolder folder;
  test::CRecordingWindow window;
  const WString path = folder.File("Shops.tavi");
  CCustomTaviFile file;
  ASSERT_TRUE(file.Create(path, {1000000, 5000000, 2000000, 4000000}));
  const auto name = [](int i) { return u"p" + WString(1, static_cast<WChar>(u'0' + i % 10)); };
  ElementArray many;
  for (int i = 0; i < 1000; ++i) {
    many.push_back(
        Poi(name(i), {1000000 + (i * 7919) % 1000001, 4000000 + (i * 104729) % 1000001}));
  }
  EXPECT_EQ(file.AddElementsAndSave(std::move(many)), 1);
  EXPECT_EQ(window.percents.front(), 30);
  EXPECT_TRUE(std::is_sorted(window.percents.begin(), window.percents.end()));
  EXPECT_EQ(window.percents.back(), 100);
  EXPECT_EQ(g_nProgressTotal, 0);
  ElementArray more;
  more.push_back(Poi(name(1000), {1000000, 4000000}));  // on the corner
  EXPECT_EQ(file.AddElementsAndSave(std::move(more)), 1);
  EXPECT_EQ(window.lines,
            (std::vector<WString>{
                u"Saving tavi file - " + path, u"Successfully imported 1000 pois - " + path,
                u"Saving tavi file - " + path, u"Successfully imported 1 pois - " + path}));
  CCustomTaviFile reader;
  const SReadBack read = ReadBack(reader, path);
  EXPECT_TRUE(read.complete);
  EXPECT_EQ(reader.GetHeader().nextId, 1002);
  EXPECT_GT(reader.GetRoot()->count, 1);
  std::set<std::int32_t> ids;
  for (const auto& [leaf, e] : read.elements) {
    EXPECT_TRUE(RectContainsPoint(*leaf, e->GetPosition()));
    EXPECT_EQ(e->details->id, e->id);
    EXPECT_EQ(e->type, static_cast<std::int32_t>(kShopsType));
    EXPECT_EQ(e->GetName(), name(e->id - 1));
    ids.insert(e->id);
  }
  EXPECT_EQ(ids.size(), 1001u);
  EXPECT_EQ(*ids.rbegin(), 1001);
  const Bytes bytes = test::ReadBytes(folder.Path() / "Shops.tavi");
  const Bytes placeholder(4, 0xFE);
  EXPECT_EQ(std::search(bytes.begin(), bytes.end(), placeholder.begin(), placeholder.end()),
            bytes.end());
}

// The reading operations of a container on an existing file.
TEST(TaviFile, ReadingOperations) {
  test::TempFolder folder;
  Bytes bytes = ShopsFile();
  bytes[4] = 0x99;  // another type in the header: a custom file takes its type from the name
  const WString path =
      folder.Write("Shops.tavi", {reinterpret_cast<char*>(bytes.data()), bytes.size()});
  CTaviFile plain;
  EXPECT_FALSE(plain.Open(u"", false));
  EXPECT_FALSE(plain.Open(folder.File("none.tavi"), false));
  ASSERT_TRUE(plain.Open(path, false));
  EXPECT_EQ(plain.GetPoiType(), 0u);
  EXPECT_EQ(plain.GetHeader().poiType, 0x086F2099u);
  CCustomTaviFile file;
  ASSERT_TRUE(file.Open(path, false));
  EXPECT_EQ(file.GetPoiType(), kShopsType);
  EXPECT_EQ(file.GetHeader().nextId, 3);
  ASSERT_EQ(file.GetRoot()->count, 1);
  const SRectNode& leaf = *file.GetRoot()->nodes[0];
  EXPECT_EQ((BoundingRect{leaf.left, leaf.top, leaf.right, leaf.bottom}), kShopsBounds);
  EXPECT_EQ(leaf.link, 0x80000034u);
  EXPECT_TRUE(leaf.children == nullptr && leaf.elements == nullptr);

  const CTaviElement* first = file.GetElementAt(64);
  ASSERT_TRUE(first != nullptr && first->GetName() == u"A");
  ASSERT_NE(file.GetElementAt(202), nullptr);  // the file is opened again for it
  EXPECT_EQ(file.GetElementAt(202)->details->address->addr1, u"addr");
  EXPECT_EQ(file.GetElementAt(350), nullptr);  // 9 bytes do not fit before the end at 358
  ASSERT_TRUE(file.Open(path, true));
  std::filesystem::remove(folder.Path() / "Shops.tavi");
  EXPECT_TRUE(file.ReadWholeIndex());       // the file was kept open
  EXPECT_EQ(file.GetElementAt(64), first);  // from the cache
}

// Every prefix of a file is read as far as it goes, and storing one more element in it gives a
// sound file with the elements that were there plus the new one.
TEST(TaviFile, EveryCutIsReadAsFarAsItGoes) {
  test::TempFolder folder;
  const Bytes whole = ShopsFile();
  const WString path = folder.File("Shops.tavi");
  for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
    SCOPED_TRACE(cut);
    test::WriteBytes(folder.Path() / "Shops.tavi",
                     Bytes(whole.begin(), whole.begin() + static_cast<long>(cut)));
    CCustomTaviFile file;
    const SReadBack read = ReadBack(file, path);
    EXPECT_EQ(read.opened, cut >= 16);
    // An element counts once its offset and the first 9 bytes of its record are there.
    const std::size_t fitting = (cut >= 73 ? 1 : 0) + (cut >= 211 ? 1 : 0);
    EXPECT_EQ(read.complete, cut >= 211);
    EXPECT_EQ(read.elements.size(), fitting);
    file.Close(true);
    ASSERT_EQ(AddOne(path), cut >= 52 ? 1 : 0);  // the root list is whole from 52 on
    if (cut < 52) continue;
    CCustomTaviFile rewritten;
    const SReadBack again = ReadBack(rewritten, path);
    EXPECT_TRUE(again.complete);
    EXPECT_EQ(again.elements.size(), fitting + 1);
  }
}

// Files whose lists and blocks lead nowhere, back to themselves or into each other: reading
// refuses what it cannot trust, and a save writes a sound file of what could be read.
TEST(TaviFile, DamagedLinksAndCounts) {
  const auto header = [] { return CBytes().TaviHeader(0, 1, ""); };  // root list at 18
  const BoundingRect r = kShopsBounds;
  CBytes record;
  record.PlainRecord(1, 0, "A", {1500000, 4500000});
  CBytes repeated = header().List(1).Node(r, 0x8000002A).U32(2000);
  for (int i = 0; i < 2000; ++i) repeated.U32(42 + 4 + 4 * 2000);
  repeated.Add(record);
  const std::tuple<const char*, CBytes, std::size_t, bool> cases[] = {
      {"child list linking back", header().List(1).Node(r, 42).List(1).Node(r, 18), 1, true},
      {"count far beyond the file",
       header().List(1).Node(r, 0x80000000 | 180).Add(record).U32(0xFFFFFFFF).U32(42), 2, true},
      {"offset past the end", header().List(1).Node(r, 0x8000002A).U32(1).U32(0x7FFFFFF0), 1, true},
      // each block is sound on its own
      {"leaves sharing a block",
       header().List(2).Node(r, 0x8000003E).Node(r, 0x8000003E).U32(1).U32(70).Add(record), 2,
       false},
      // the copies of one record cannot take more bytes than the file holds
      {"one record 2000 times", repeated, repeated.Size() / 138 + 2, false}};
  for (const auto& [what, bytes, afterSave, damaged] : cases) {
    SCOPED_TRACE(what);
    test::TempFolder folder;
    const WString path = folder.Write("f.tavi", bytes.Text());
    CCustomTaviFile file;
    EXPECT_EQ(ReadBack(file, path).complete, !damaged);
    file.Close(true);
    ASSERT_EQ(AddOne(path), 1);
    CCustomTaviFile rewritten;
    const SReadBack read = ReadBack(rewritten, path);
    EXPECT_TRUE(read.complete);
    EXPECT_LE(read.elements.size(), afterSave);
    EXPECT_GE(read.elements.size(), std::min<std::size_t>(afterSave, 2));
  }
}

// A write that fails, at the close of a small file or in the middle of a large one, leaves no
// file behind, ends the save and frees everything.
TEST(TaviFile, FailedWriteLeavesNothingBehind) {
  for (const auto& [count, limit] : {std::pair{10, 100}, {20000, 300000}, {20000, 1500000}}) {
    SCOPED_TRACE(limit);
    test::TempFolder folder;
    CCustomTaviFile file;
    ASSERT_TRUE(file.Create(folder.File("Shops.tavi"), {1000000, 5000000, 2000000, 4000000}));
    ElementArray elements;
    for (int i = 0; i < count; ++i)
      elements.push_back(Poi(u"poi", {1000000 + (i * 7919) % 1000000, 4000000 + i}));
    {
      const test::CFileSizeLimit guard(static_cast<std::uint64_t>(limit));
      EXPECT_THROW(file.AddElementsAndSave(std::move(elements)), CFileException);
    }
    EXPECT_EQ(g_nProgressTotal, 0);
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));  // no output, no work file
  }
  test::TempFolder folder;
  auto file = std::make_unique<CCustomTaviFile>();
  {
    const test::CFileSizeLimit guard(10);
    EXPECT_THROW(file->Create(folder.File("Shops.tavi"), kShopsBounds), CFileException);
  }
  file.reset();
  EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
}

// A POI that the bounds handed in miss is counted and named after the save. A new file gets the
// mode the umask leaves of 0666; a replaced file keeps its own.
TEST(TaviFile, LeftOutPoisAndFileModes) {
  test::TempFolder folder;
  const WString path = folder.File("Shops.tavi");
  const std::filesystem::path native = folder.Path() / "Shops.tavi";
  const mode_t umask = ::umask(027);
  test::CRecordingWindow window;
  for (const mode_t mode : {0640, 0604}) {
    CCustomTaviFile file;
    ASSERT_TRUE(file.Create(path, {0, 10, 10, 0}));
    ElementArray elements;
    elements.push_back(Poi(u"in", {5, 5}));
    elements.push_back(Poi(u"out", {20, 5}));
    EXPECT_EQ(file.AddElementsAndSave(std::move(elements)), 1);
    EXPECT_EQ(std::pair(file.GetStoredCount(), file.GetLeftOutCount()), std::pair(1, 1));
    struct stat info {};
    ASSERT_EQ(::stat(native.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, mode);
    ::chmod(native.c_str(), 0604);
  }
  ::umask(umask);
  EXPECT_EQ(window.lines.back(), u"Left out 1 pois outside the index - " + path);
}

// A file may nest its lists as deep as its size allows, as points rising along one meridian make
// the tree: here lists of one node each, every one linking to the next right behind it, the last
// one a leaf. Reading, rewriting and freeing it must not take a call per level.
CBytes NestedFile(std::uint32_t levels, bool withElement) {
  CBytes bytes = CBytes().TaviHeader(kShopsType, withElement ? 2 : 1, "Shops");
  for (std::uint32_t level = 1; level <= levels; ++level) {
    const std::uint32_t next = 28 + 24 * level;
    bytes.List(1).Node(kShopsBounds, level < levels ? next : next | SRectNode::kLeafFlag);
  }
  if (!withElement) return std::move(bytes.U32(0));
  bytes.U32(1).U32(28 + 24 * levels + 8);
  return std::move(bytes.PlainRecord(1, kShopsType, "new", {1500000, 4500000}));
}

TEST(TaviFile, DeeplyNestedFile) {
  test::TempFolder folder;
  const WString path = folder.Write("Shops.tavi", NestedFile(20000, false).Text());
  std::size_t depth = 0;
  bool complete = false;
  int added = 0;
  test::RunOnSmallStack([&] {
    CCustomTaviFile file;
    file.Open(path, true);
    complete = file.ReadWholeIndex();
    for (const SRectNodeList* list = file.GetRoot(); list != nullptr && list->count == 1;
         list = list->nodes[0]->children.get()) {
      ++depth;
    }
    file.Close(true);
    added = AddOne(path);
  });
  EXPECT_TRUE(complete);
  EXPECT_EQ(depth, 20000u);
  EXPECT_EQ(added, 1);
  EXPECT_TRUE(test::ReadBytes(folder.Path() / "Shops.tavi") == NestedFile(20000, true).Get());
  // Cut inside list 10001: the 10000 lists above are whole, and the last of them, left without
  // children, becomes an empty leaf that takes the new element.
  folder.Write("Shops.tavi", NestedFile(20000, false).Text().substr(0, 28 + 24 * 10000 + 10));
  test::RunOnSmallStack([&] { added = AddOne(path); });
  EXPECT_EQ(added, 1);
  EXPECT_TRUE(test::ReadBytes(folder.Path() / "Shops.tavi") == NestedFile(10000, true).Get());
}

// A file that would pass the 2^31 - 1 bytes its offsets can address is refused before a byte is
// written, so that no offset wraps: here two records that take 2^30 bytes each, beside the header
// and the index.
TEST(TaviWriter, AFileBeyondItsOffsetsIsRefusedBeforeWriting) {
  CIndexBuilder index({0, 100, 100, 0});
  const SLeafEntry entries[] = {{1, 1, 0, 0x40000000}, {2, 2, 0, 0x40000000}};
  std::uint32_t leaves[2] = {};
  index.InsertBatch(entries, leaves);
  const CElementArena records;
  test::TempFolder folder;
  CFile file;
  ASSERT_TRUE(file.Open(folder.File("big.tavi"), CFile::modeCreate | CFile::modeWrite));
  STaviHeader header;
  header.name = u"big";
  EXPECT_THROW(CTaviWriter(file, index, records, 0).Write(header), CFileException);
  file.Close();
  EXPECT_EQ(test::ReadBytes(folder.Path() / "big.tavi").size(), 0u);
}

}  // namespace
}  // namespace tavi
