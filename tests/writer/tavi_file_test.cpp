#include "writer/tavi_file.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include "support/test_support.h"
#include "writer/writer_test_support.h"

namespace tavi {
namespace {

using test::CBytes;
using test::CRecordingWindow;
using test::MakeElement;
using test::Native;
using test::ReadBytes;
using test::TempFolder;

constexpr BoundingRect kShopsBounds{1000000, 5000000, 2000000, 4000000};
constexpr std::uint32_t kShopsHash = 0x086F2013;

// Header of Shops.tavi with nextId, root list with one leaf over kShopsBounds whose block is at 52.
CBytes ShopsContainer(std::int32_t nextId) {
  CBytes bytes;
  bytes.Raw("IVAT").U32(kShopsHash).Raw("2000").I32(nextId);
  bytes.U16(5).U16('S').U16('h').U16('o').U16('p').U16('s');
  bytes.U8(1).U8(0).U8(0).U8(0);
  bytes.I32(1000000).I32(5000000).I32(2000000).I32(4000000).U32(0x80000034);
  return bytes;
}

TEST(NameHash, FoldsTheTopNibble) {
  EXPECT_EQ(CTaviFile::NameHash(u""), 0u);
  EXPECT_EQ(CTaviFile::NameHash(u"abc"), 0x00616263u);
  EXPECT_EQ(CTaviFile::NameHash(u"Shops"), 0x086F2013u);
  EXPECT_EQ(CTaviFile::NameHash(u"\u00e9"), 0xE9u);  // one code unit, not its UTF-8 bytes
}

TEST(GetBaseName, NameUpToTheLastDotAfterTheLastSeparator) {
  const std::pair<WString, WString> cases[] = {
      {u"/out/Shops.tavi", u"Shops"},
      {u"/out/a.b.tavi", u"a.b"},
      {u"/out.d/x", u""},
      {u"Shops.tavi", u"Shops"},
      {u"/out/.tavi", u""},
      {u"", u""},
      {u"C:\\out\\Shops.tavi", u"C:\\out\\Shops"},  // only '/' separates folders
  };
  for (const auto& [path, base] : cases) EXPECT_EQ(CTaviFile::GetBaseName(path), base);
}

TEST(Create, WritesTheEmptyContainer) {
  TempFolder folder;
  CCustomTaviFile file;
  ASSERT_TRUE(file.Create(folder.File("Shops.tavi"), kShopsBounds));
  CBytes expected = ShopsContainer(1);
  expected.U32(0);
  ASSERT_EQ(expected.Size(), 56u);
  EXPECT_EQ(test::Hex(ReadBytes(folder.Path() / "Shops.tavi")), test::Hex(expected.Get()));
}

TEST(Create, NameWithoutDotGivesEmptyNameAndTypeZero) {
  TempFolder folder;
  CTaviFile file;
  EXPECT_FALSE(file.Create(folder.File("missing/Shops.tavi"), kShopsBounds));
  ASSERT_TRUE(file.Create(folder.File("plain"), kShopsBounds));
  const auto bytes = ReadBytes(folder.Path() / "plain");
  ASSERT_EQ(bytes.size(), 46u);  // 18 header + 24 list + 4 block
  EXPECT_EQ(test::LoadUInt32(bytes, 4), 0u);
  EXPECT_EQ(bytes[16], 0);
  EXPECT_EQ(bytes[17], 0);
  EXPECT_EQ(test::LoadUInt32(bytes, 38), 0x8000002Au);
}

TEST(AddElementsAndSave, OneElementFileByteForByte) {
  TempFolder folder;
  CRecordingWindow window;
  CCustomTaviFile file;
  ASSERT_TRUE(file.Create(folder.File("Shops.tavi"), kShopsBounds));
  ElementArray elements;
  elements.push_back(MakeElement(u"A", 1500000, 4500000));
  EXPECT_EQ(file.AddElementsAndSave(std::move(elements)), 1);

  CBytes expected = ShopsContainer(2);
  expected.U32(1).U32(60);  // block at 52: one record at 60
  test::PlainRecord(expected, 1, kShopsHash, "A", 1500000, 4500000);
  ASSERT_EQ(expected.Size(), 198u);
  EXPECT_EQ(test::Hex(ReadBytes(folder.Path() / "Shops.tavi")), test::Hex(expected.Get()));

  const WString path = folder.File("Shops.tavi");
  EXPECT_EQ(window.lines, (std::vector<WString>{u"Saving tavi file - " + path,
                                                u"Successfully imported 1 pois - " + path}));
}

TEST(AddElementsAndSave, NothingStorableLeavesTheEmptyContainer) {
  TempFolder folder;
  CRecordingWindow window;
  CCustomTaviFile file;
  ASSERT_TRUE(file.Create(folder.File("Shops.tavi"), kShopsBounds));
  ElementArray elements;
  elements.push_back(MakeElement(u"", 1500000, 4500000));
  elements.push_back(MakeElement(u"x", 2000001, 4500000));  // just east of the rectangle
  auto noPosition = std::make_unique<CTaviElement>();
  noPosition->SetName(u"y");
  elements.push_back(std::move(noPosition));
  EXPECT_EQ(file.AddElementsAndSave(std::move(elements)), 0);
  EXPECT_TRUE(window.lines.empty());
  EXPECT_EQ(ReadBytes(folder.Path() / "Shops.tavi").size(), 56u);
}

struct SReadElement {
  std::int32_t id, type;
  WString name;
  GeoPoint position;
};

// Reads a file with the inspection operations: the whole index, every block, every element.
std::vector<SReadElement> ReadAll(CTaviFile& file, const WString& path, bool& complete) {
  std::vector<SReadElement> result;
  complete = file.Open(path, true) && file.ReadWholeIndex();
  std::vector<std::pair<const SRectNode*, std::uint32_t>> leaves;
  // Depth-first, list order: the order in which the blocks lie in the file.
  std::function<void(const SRectNodeList&)> walk = [&](const SRectNodeList& list) {
    for (std::size_t i = 0; i < list.count; ++i) {
      const SRectNode& node = *list.nodes[i];
      if (node.children != nullptr) {
        walk(*node.children);
      } else {
        leaves.emplace_back(&node, node.link);
      }
    }
  };
  if (file.GetRoot() != nullptr) walk(*file.GetRoot());
  for (const auto& [node, link] : leaves) {
    EXPECT_NE(link & 0x80000000u, 0u);
    std::vector<std::uint32_t> offsets;
    complete = file.ReadElementBlockAt(link & 0x7FFFFFFFu, offsets) && complete;
    for (const std::uint32_t offset : offsets) {
      const CTaviElement* element = file.GetElementAt(offset);
      if (element == nullptr) {
        complete = false;
        continue;
      }
      EXPECT_EQ(element->offset, static_cast<std::int32_t>(offset));
      EXPECT_TRUE(RectContainsPoint(*node, element->GetPosition()));
      result.push_back({element->id, element->type, element->GetName(), element->GetPosition()});
    }
  }
  return result;
}

WString NameOf(int i) {
  const std::string text = "poi " + std::to_string(i);
  return WString(text.begin(), text.end());
}

GeoPoint SpreadPosition(int i) {
  return {1000000 + (i * 7919) % 1000000, 4000000 + (i * 104729) % 1000000};
}

TEST(AddElementsAndSave, ManyElementsReadBackWithEveryField) {
  TempFolder folder;
  CRecordingWindow window;
  const WString path = folder.File("Shops.tavi");
  constexpr int kCount = 1000;
  {
    CCustomTaviFile file;
    ASSERT_TRUE(file.Create(path, kShopsBounds));
    ElementArray elements;
    for (int i = 0; i < kCount; ++i) {
      const GeoPoint p = SpreadPosition(i);
      elements.push_back(MakeElement(NameOf(i), p.x, p.y));
    }
    EXPECT_EQ(file.AddElementsAndSave(std::move(elements)), 1);
  }
  const auto bytes = ReadBytes(Native(path));
  for (std::size_t at = 0; at + 4 <= bytes.size(); ++at) {
    ASSERT_NE(test::LoadUInt32(bytes, at), 0xFEFEFEFEu) << "placeholder left at " << at;
  }
  EXPECT_EQ(window.lines.back(), u"Successfully imported 1000 pois - " + path);
  ASSERT_FALSE(window.percents.empty());
  EXPECT_EQ(window.percents.front(), 30);
  for (std::size_t i = 1; i < window.percents.size(); ++i) {
    EXPECT_GT(window.percents[i], window.percents[i - 1]);
  }
  EXPECT_EQ(window.percents.back(), 100);
  EXPECT_EQ(g_nProgressTotal, 0);

  CCustomTaviFile reader;
  bool complete = false;
  const auto elements = ReadAll(reader, path, complete);
  EXPECT_TRUE(complete);
  EXPECT_EQ(reader.GetHeader().nextId, kCount + 1);
  EXPECT_EQ(reader.GetHeader().name, u"Shops");
  EXPECT_EQ(reader.GetPoiType(), kShopsHash);
  ASSERT_GT(reader.GetRoot()->count, 1);
  ASSERT_EQ(elements.size(), static_cast<std::size_t>(kCount));
  std::set<std::int32_t> ids;
  for (const auto& e : elements) {
    ids.insert(e.id);
    const int i = e.id - 1;
    EXPECT_EQ(e.name, NameOf(i));
    EXPECT_EQ(e.position, SpreadPosition(i));
    EXPECT_EQ(e.type, static_cast<std::int32_t>(kShopsHash));
  }
  EXPECT_EQ(ids.size(), static_cast<std::size_t>(kCount));
}

TEST(AddElementsAndSave, ASecondCallKeepsTheStoredElementsAndNumbersOn) {
  TempFolder folder;
  CRecordingWindow window;
  const WString path = folder.File("Shops.tavi");
  CCustomTaviFile file;
  ASSERT_TRUE(file.Create(path, kShopsBounds));
  ElementArray first;
  for (int i = 0; i < 40; ++i)
    first.push_back(MakeElement(NameOf(i), SpreadPosition(i).x, SpreadPosition(i).y));
  ASSERT_EQ(file.AddElementsAndSave(std::move(first)), 1);
  ElementArray second;
  second.push_back(MakeElement(u"new one", 1500000, 4500000));
  second.push_back(MakeElement(u"new two", 1000000, 4000000));  // on the corner
  ASSERT_EQ(file.AddElementsAndSave(std::move(second)), 1);
  EXPECT_EQ(window.lines.back(), u"Successfully imported 2 pois - " + path);

  CCustomTaviFile reader;
  bool complete = false;
  const auto elements = ReadAll(reader, path, complete);
  EXPECT_TRUE(complete);
  EXPECT_EQ(reader.GetHeader().nextId, 43);
  ASSERT_EQ(elements.size(), 42u);
  std::map<std::int32_t, WString> names;
  for (const auto& e : elements) names[e.id] = e.name;
  EXPECT_EQ(names[1], NameOf(0));
  EXPECT_EQ(names[40], NameOf(39));
  EXPECT_EQ(names[41], u"new one");
  EXPECT_EQ(names[42], u"new two");
}

TEST(Open, CustomFileTakesItsTypeFromTheName) {
  TempFolder folder;
  const WString path = folder.File("Shops.tavi");
  test::WriteBytes(Native(path), ShopsContainer(7).U32(0).Get());
  std::vector<std::uint8_t> bytes = ReadBytes(Native(path));
  bytes[4] = 0x99;  // another type in the header
  test::WriteBytes(Native(path), bytes);

  CCustomTaviFile custom;
  ASSERT_TRUE(custom.Open(path, false));
  EXPECT_EQ(custom.GetPoiType(), kShopsHash);
  EXPECT_EQ(custom.GetHeader().nextId, 7);
  ASSERT_EQ(custom.GetRoot()->count, 1);
  const SRectNode& leaf = *custom.GetRoot()->nodes[0];
  EXPECT_EQ(leaf.left, 1000000);
  EXPECT_EQ(leaf.top, 5000000);
  EXPECT_EQ(leaf.right, 2000000);
  EXPECT_EQ(leaf.bottom, 4000000);
  EXPECT_EQ(leaf.link, 0x80000034u);
  EXPECT_EQ(leaf.children, nullptr);
  EXPECT_EQ(leaf.elements, nullptr);

  CTaviFile plain;
  EXPECT_FALSE(plain.Open(u"", false));
  EXPECT_FALSE(plain.Open(folder.File("none.tavi"), false));
  ASSERT_TRUE(plain.Open(path, false));
  EXPECT_EQ(plain.GetPoiType(), 0u);
  EXPECT_EQ(plain.GetHeader().poiType, 0x086F2099u);
}

TEST(Reading, BlocksAndElementsOnDemand) {
  TempFolder folder;
  const WString path = folder.File("Shops.tavi");
  CCustomTaviFile file;
  ASSERT_TRUE(file.Create(path, kShopsBounds));
  ElementArray elements;
  elements.push_back(MakeElement(u"A", 1500000, 4500000));
  elements.push_back(MakeElement(u"B", 1600000, 4600000));
  ASSERT_EQ(file.AddElementsAndSave(std::move(elements)), 1);
  // The elements of a leaf keep their order, and the block's table points at their records.
  const auto bytes = ReadBytes(Native(path));
  ASSERT_EQ(test::LoadUInt32(bytes, 52), 2u);
  for (std::uint32_t i = 0; i < 2; ++i) {
    const std::uint32_t offset = test::LoadUInt32(bytes, 56 + 4 * i);
    EXPECT_EQ(test::LoadUInt32(bytes, offset), i + 1);  // the record starts with its id
  }

  CCustomTaviFile reader;
  ASSERT_TRUE(reader.Open(path, false));
  std::vector<CTaviElement*> loaded;
  EXPECT_FALSE(reader.LoadNextFoundBlock(loaded));
  reader.AddFoundBlock(52);
  ASSERT_TRUE(reader.LoadNextFoundBlock(loaded));
  ASSERT_EQ(loaded.size(), 2u);
  EXPECT_EQ(loaded[0]->GetName(), u"A");
  EXPECT_EQ(loaded[1]->GetName(), u"B");
  EXPECT_EQ(loaded[1]->type, static_cast<std::int32_t>(kShopsHash));
  EXPECT_EQ(loaded[1]->fileId, 0);
  EXPECT_FALSE(reader.LoadNextFoundBlock(loaded));
  EXPECT_TRUE(reader.ReloadElementDetails(*loaded[0]));
  EXPECT_EQ(loaded[0]->GetName(), u"A");

  CCustomTaviFile cached;
  ASSERT_TRUE(cached.Open(path, false));
  CTaviElement* first = cached.GetElementAt(64);  // block at 52 with two offsets, records from 64
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetName(), u"A");
  EXPECT_EQ(first->type, static_cast<std::int32_t>(kShopsHash));
  EXPECT_EQ(cached.GetElementAt(335), nullptr);  // 9 bytes would not fit before the end at 340
  std::filesystem::remove(Native(path));         // a second read would fail now
  EXPECT_EQ(cached.GetElementAt(64), first);
}

}  // namespace
}  // namespace tavi
