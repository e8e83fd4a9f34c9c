#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <functional>

#include "support/test_support.h"
#include "writer/index_io.h"
#include "writer/tavi_file.h"
#include "writer/writer_test_support.h"

// Points that rise along one meridian make the writer's tree thousands of levels deep, and a
// file may nest its lists as deep as its size allows. These trees must be read, written, freed
// and destroyed without a call per level.
namespace tavi {
namespace {

using test::CBytes;
using test::MakeElement;
using test::Native;
using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

constexpr std::uint32_t kLevels = 20000;
constexpr std::uint32_t kShopsHash = 0x086F2013;
constexpr std::uint32_t kHeaderSize = 28;
constexpr std::uint32_t kSingleListSize = 24;  // count, padding, one node record

// Runs work on a thread with a stack of 1 MiB, much less than a walk that called itself once
// per level would take for these trees, in the sanitizer build and the release build alike.
void RunOnSmallStack(std::function<void()> work) {
  pthread_attr_t attributes;
  ASSERT_EQ(pthread_attr_init(&attributes), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attributes, 1 << 20), 0);
  pthread_t thread;
  const auto entry = [](void* argument) -> void* {
    (*static_cast<std::function<void()>*>(argument))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attributes, entry, &work), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
}

// Shops.tavi with nextId, then `levels` lists of one node each over the same rectangle, each
// linking to the next right after it; the last one is a leaf whose block follows the lists.
CBytes NestedFile(std::uint32_t levels, std::int32_t nextId) {
  CBytes bytes;
  bytes.Raw("IVAT").U32(kShopsHash).Raw("2000").I32(nextId);
  bytes.U16(5).U16('S').U16('h').U16('o').U16('p').U16('s');
  for (std::uint32_t level = 0; level < levels; ++level) {
    const std::uint32_t next = kHeaderSize + kSingleListSize * (level + 1);
    bytes.U8(1).U8(0).U8(0).U8(0);
    bytes.I32(1000000).I32(5000000).I32(2000000).I32(4000000);
    bytes.U32(level + 1 < levels ? next : next | 0x80000000u);
  }
  return bytes;
}

// The nested file after storing the element "A" at (1500000, 4500000) in its deepest leaf.
CBytes NestedFileWithOneElement(std::uint32_t levels) {
  CBytes bytes = NestedFile(levels, 2);
  const std::uint32_t block = kHeaderSize + kSingleListSize * levels;
  bytes.U32(1).U32(block + 8);
  return std::move(test::PlainRecord(bytes, 1, kShopsHash, "A", 1500000, 4500000));
}

TEST(NestedFile, InspectionReadsEveryLevel) {
  TempFolder folder;
  const WString path = folder.File("Shops.tavi");
  WriteBytes(Native(path), NestedFile(kLevels, 1).U32(0).Get());
  bool opened = false;
  bool whole = false;
  std::uint32_t depth = 0;
  bool linksAsWritten = true;
  std::uint32_t leafLink = 0;
  RunOnSmallStack([&] {
    CCustomTaviFile file;
    opened = file.Open(path, true);
    whole = file.ReadWholeIndex();
    for (const SRectNodeList* list = file.GetRoot(); list != nullptr && list->count == 1;
         list = list->nodes[0]->children.get()) {
      const SRectNode& node = *list->nodes[0];
      ++depth;
      leafLink = node.link;
      if (node.children != nullptr)
        linksAsWritten = linksAsWritten && node.link == kHeaderSize + kSingleListSize * depth;
    }
  });
  EXPECT_TRUE(opened);
  EXPECT_TRUE(whole);
  EXPECT_EQ(depth, kLevels);
  EXPECT_TRUE(linksAsWritten);
  EXPECT_EQ(leafLink, 0x80000000u | (kHeaderSize + kSingleListSize * kLevels));
}

TEST(NestedFile, ASecondSaveKeepsEveryLevel) {
  TempFolder folder;
  const WString path = folder.File("Shops.tavi");
  WriteBytes(Native(path), NestedFile(kLevels, 1).U32(0).Get());
  int result = 0;
  RunOnSmallStack([&] { result = test::AddOneElement(path, u"A"); });
  EXPECT_EQ(result, 1);
  const std::vector<std::uint8_t> expected = NestedFileWithOneElement(kLevels).Get();
  const std::vector<std::uint8_t> written = ReadBytes(Native(path));
  ASSERT_EQ(written.size(), expected.size());
  const auto differ = std::mismatch(written.begin(), written.end(), expected.begin());
  EXPECT_EQ(differ.first, written.end())
      << "first difference at " << differ.first - written.begin();
}

TEST(NestedFile, CutInsideAListKeepsTheWholeLevelsAbove) {
  // The cut falls into the node record of list 10000: lists 0 to 9999 are whole, and the node of
  // list 9999 is left without children, an empty leaf that takes the new element.
  constexpr std::uint32_t kWhole = 10000;
  TempFolder folder;
  const WString path = folder.File("Shops.tavi");
  std::vector<std::uint8_t> bytes = NestedFile(kLevels, 1).Get();
  bytes.resize(kHeaderSize + kSingleListSize * kWhole + 10);
  WriteBytes(Native(path), bytes);
  bool whole = true;
  int result = 0;
  RunOnSmallStack([&] {
    CCustomTaviFile file;
    file.Open(path, true);
    whole = file.ReadWholeIndex();
    file.Close(true);
    result = test::AddOneElement(path, u"A");
  });
  EXPECT_FALSE(whole);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(test::Hex(ReadBytes(Native(path))), test::Hex(NestedFileWithOneElement(kWhole).Get()));
}

std::unique_ptr<SRectNode> MakeNode(std::int32_t level, bool leaf) {
  auto node = std::make_unique<SRectNode>();
  node->left = level;
  node->top = leaf ? level + 1 : -level;
  node->right = leaf ? level + 2 : level;
  node->bottom = leaf ? level + 3 : -level;
  if (leaf) node->elements = std::make_unique<ElementArray>();
  return node;
}

// Every list but the last holds an internal node, then a leaf; the last holds one leaf. Leaf k
// is the leaf of list k.
std::unique_ptr<SRectNodeList> DeepTree(std::uint32_t levels) {
  auto root = std::make_unique<SRectNodeList>();
  SRectNodeList* list = root.get();
  for (std::uint32_t level = 0; level < levels; ++level) {
    const auto k = static_cast<std::int32_t>(level);
    SRectNodeList* next = nullptr;
    if (level + 1 < levels) {
      std::unique_ptr<SRectNode> inner = MakeNode(k, false);
      inner->children = std::make_unique<SRectNodeList>();
      next = inner->children.get();
      AppendNode(*list, std::move(inner));
    }
    AppendNode(*list, MakeNode(k, true));
    list = next;
  }
  return root;
}

SRectNode& LeafAt(SRectNodeList& root, std::uint32_t level) {
  SRectNodeList* list = &root;
  for (std::uint32_t i = 0; i < level; ++i) list = list->nodes[0]->children.get();
  return *list->nodes[list->count - 1];
}

TEST(DeepTree, WrittenListsInPreOrderAndBlocksDepthFirst) {
  // A list of two nodes takes 44 bytes. Below each internal node lie all deeper leaves, and it
  // comes first in its list: the blocks (4 bytes each, no elements) go from the deepest leaf up.
  TempFolder folder;
  const WString path = folder.File("deep.tavi");
  std::uint32_t position = 1;
  RunOnSmallStack([&] {
    std::unique_ptr<SRectNodeList> root = DeepTree(kLevels);
    CFile file;
    if (!file.Open(path, CFile::modeCreate | CFile::modeWrite)) return;
    position = CIndexWriter(file).Write(*root);
    file.Close();
    FreeNodeList(*root);
  });
  EXPECT_EQ(position, 0u);
  const std::uint32_t listsEnd = 44 * (kLevels - 1) + 24;
  CBytes expected;
  for (std::uint32_t level = 0; level < kLevels; ++level) {
    const auto k = static_cast<std::int32_t>(level);
    const bool last = level + 1 == kLevels;
    expected.U8(last ? 1 : 2).U8(0).U8(0).U8(0);
    if (!last) expected.I32(k).I32(-k).I32(k).I32(-k).U32(44 * (level + 1));
    expected.I32(k).I32(k + 1).I32(k + 2).I32(k + 3);
    expected.U32(0x80000000u | (listsEnd + 4 * (kLevels - 1 - level)));
  }
  for (std::uint32_t level = 0; level < kLevels; ++level) expected.U32(0);
  const std::vector<std::uint8_t> written = ReadBytes(Native(path));
  ASSERT_EQ(written.size(), expected.Size());
  const auto differ = std::mismatch(written.begin(), written.end(), expected.Get().begin());
  EXPECT_EQ(differ.first, written.end())
      << "first difference at " << differ.first - written.begin();
}

TEST(DeepTree, FreedDeepestLeafFirst) {
  test::CRecordingWindow window;
  std::uint32_t count = 1;
  std::int32_t done = 0;
  RunOnSmallStack([&] {
    std::unique_ptr<SRectNodeList> root = DeepTree(kLevels);
    AddElementToLeaf(LeafAt(*root, kLevels - 1), MakeElement(u"deep", 0, 0));
    for (int i = 0; i < 3; ++i) AddElementToLeaf(LeafAt(*root, 0), MakeElement(u"top", 0, 0));
    g_nProgressTotal = 4;
    g_nProgressDone = 0;
    FreeNodeList(*root);
    g_nProgressTotal = 0;
    count = root->count;
    done = g_nProgressDone;
  });
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(done, 4);
  // 80 + 1 * 20 / 4 once the deepest leaf is gone, the leaves between add nothing, 100 at the top.
  EXPECT_EQ(window.percents, (std::vector<std::int32_t>{85, 100}));
}

TEST(DeepTree, DestroyedWithoutBeingFreedFirst) {
  bool destroyed = false;
  RunOnSmallStack([&] {
    std::unique_ptr<SRectNodeList> root = DeepTree(kLevels);
    AddElementToLeaf(LeafAt(*root, kLevels - 1), MakeElement(u"deep", 0, 0));
    root.reset();
    destroyed = true;
  });
  EXPECT_TRUE(destroyed);
}

}  // namespace
}  // namespace tavi
