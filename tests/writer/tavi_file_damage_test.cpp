#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <functional>

#include "support/test_support.h"
#include "writer/tavi_file.h"
#include "writer/writer_test_support.h"

namespace tavi {
namespace {

using test::CBytes;
using test::MakeElement;
using test::Native;
using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

constexpr BoundingRect kBounds{1000000, 5000000, 2000000, 4000000};

// Shops.tavi with three elements in its one leaf: header 0..27, root list 28..51, block at 52
// (count and three offsets, 16 bytes), records from 68 on.
std::vector<std::uint8_t> ThreeElementFile(const TempFolder& folder) {
  CCustomTaviFile file;
  const WString path = folder.File("Shops.tavi");
  EXPECT_TRUE(file.Create(path, kBounds));
  ElementArray elements;
  elements.push_back(MakeElement(u"A", 1100000, 4100000));
  elements.push_back(MakeElement(u"B", 1200000, 4200000));
  elements.push_back(MakeElement(u"C", 1300000, 4300000));
  EXPECT_EQ(file.AddElementsAndSave(std::move(elements)), 1);
  return ReadBytes(Native(path));
}

struct SReadSummary {
  bool opened = false;
  bool index = false;
  bool blocks = true;
  bool allElements = true;  // every offset gave an element
  std::size_t elements = 0;
};

void ForEachLeaf(const SRectNodeList& list, const std::function<void(const SRectNode&)>& visit) {
  for (std::size_t i = 0; i < list.count; ++i) {
    const SRectNode& node = *list.nodes[i];
    if (node.children != nullptr) {
      ForEachLeaf(*node.children, visit);
    } else if ((node.link & 0x80000000u) != 0) {
      visit(node);
    }
  }
}

SReadSummary ReadEverything(const WString& path) {
  SReadSummary summary;
  CCustomTaviFile file;
  summary.opened = file.Open(path, true);
  if (!summary.opened) return summary;
  summary.index = file.ReadWholeIndex();
  ForEachLeaf(*file.GetRoot(), [&](const SRectNode& leaf) {
    std::vector<std::uint32_t> offsets;
    summary.blocks = file.ReadElementBlockAt(leaf.link & 0x7FFFFFFFu, offsets) && summary.blocks;
    for (const std::uint32_t offset : offsets) {
      if (file.GetElementAt(offset) != nullptr) {
        ++summary.elements;
      } else {
        summary.allElements = false;
      }
    }
  });
  return summary;
}

TEST(DamagedFile, EveryTruncationIsReadAsFarAsItGoes) {
  TempFolder folder;
  const std::vector<std::uint8_t> whole = ThreeElementFile(folder);
  const std::uint32_t firstRecord = test::LoadUInt32(whole, 56);
  ASSERT_EQ(firstRecord, 68u);
  const WString path = folder.File("cut.tavi");
  for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
    SCOPED_TRACE(cut);
    WriteBytes(Native(path), std::vector<std::uint8_t>(
                                 whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)));
    const SReadSummary summary = ReadEverything(path);
    EXPECT_EQ(summary.opened, cut >= 16);
    if (summary.opened) {
      EXPECT_EQ(summary.index, cut >= 52);
      if (cut >= 52) {  // before 52 there is no leaf
        EXPECT_EQ(summary.blocks, cut >= 68);
      }
    }
    // Each element counts once its fixed 9 bytes fit; offsets come after the first record's.
    std::size_t fitting = 0;
    for (std::uint32_t i = 0; i < 3 && cut >= 68; ++i) {
      if (test::LoadUInt32(whole, 56 + 4 * i) + 9 <= cut) ++fitting;
    }
    EXPECT_EQ(summary.elements, fitting);

    const int added = test::AddOneElement(path, u"new");
    EXPECT_EQ(added, cut >= 52 ? 1 : 0);
    if (added == 1) {
      const SReadSummary rewritten = ReadEverything(path);
      EXPECT_TRUE(rewritten.index && rewritten.blocks);
      EXPECT_EQ(rewritten.elements, fitting + 1);
    }
  }
}

TEST(DamagedFile, ListCountAboveEightEmptiesTheList) {
  TempFolder folder;
  std::vector<std::uint8_t> bytes = ThreeElementFile(folder);
  bytes[28] = 9;
  const WString path = folder.File("nine.tavi");
  WriteBytes(Native(path), bytes);
  CCustomTaviFile file;
  ASSERT_TRUE(file.Open(path, true));
  EXPECT_FALSE(file.ReadWholeIndex());
  EXPECT_EQ(file.GetRoot()->count, 0);
  EXPECT_EQ(test::AddOneElement(path, u"new"), 0);
}

// A header with an empty name (root list at 18), then the given lists and blocks.
CBytes HandMadeHeader() {
  return std::move(CBytes().Raw("IVAT").U32(0).Raw("2000").I32(1).U16(0));
}

CBytes& Node(CBytes& bytes, std::uint32_t link) {
  return bytes.I32(1000000).I32(5000000).I32(2000000).I32(4000000).U32(link);
}

// The hand-made header, then one list per entry, each node linking as given.
CBytes Crafted(std::initializer_list<std::initializer_list<std::uint32_t>> lists) {
  CBytes bytes = HandMadeHeader();
  for (const auto& links : lists) {
    bytes.U8(static_cast<std::uint8_t>(links.size())).U8(0).U8(0).U8(0);
    for (const std::uint32_t link : links) Node(bytes, link);
  }
  return bytes;
}

// One element record with the name "A" at (1500000, 4500000), as written for version 4.
CBytes& Record(CBytes& bytes) {
  bytes.I32(1).I32(0).U8(1).I32(1).U8(0).Localized("A");
  bytes.I32(1500000).I32(4500000).Utf8("").Utf8("").Localized("").Localized("").Localized("").Utf8(
      "");
  bytes.Localized("").Localized("").I32(-1).I32(-1).Utf8("");
  for (int i = 0; i < 8; ++i) bytes.Utf8("");
  return bytes.U8(0).I32(0);
}

struct SCraftedCase {
  const char* what;
  std::function<CBytes()> build;
  std::size_t elementsAfterRewrite;  // old ones kept plus the new one
  bool inspectionSeesDamage = true;
};

TEST(DamagedFile, LinksThatLoopOrLeadNowhereAreRefused) {
  const SCraftedCase cases[] = {
      {"internal node linking to its own list", [] { return Crafted({{18}}); }, 1},
      {"child list linking back to the root",
       [] {
         return Crafted({{42}, {18}});
       },
       1},
      {"link past the end", [] { return Crafted({{0x7FFFFFF0}}); }, 1},
      {"leaf whose block lies past the end", [] { return Crafted({{0xFFFFFFF0}}); }, 1},
      {"element count far beyond the file",
       [] {
         CBytes b = Crafted({{0x80000000u | 180}});
         return std::move(Record(b).U32(0xFFFFFFFF).U32(42));  // record at 42, block at 180
       },
       2},
      {"element offset past the end",
       [] { return std::move(Crafted({{0x80000000u | 42}}).U32(1).U32(0x7FFFFFF0)); }, 1},
      {"two leaves sharing one block",
       [] {
         CBytes b = Crafted({{0x80000000u | 62, 0x80000000u | 62}});
         return std::move(Record(b.U32(1).U32(70)));
       },
       2, false},  // each block on its own is sound; only reading the whole index sees the sharing
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder folder;
    const WString path = folder.File("crafted.tavi");
    WriteBytes(Native(path), c.build().Get());
    const SReadSummary summary = ReadEverything(path);
    EXPECT_TRUE(summary.opened);
    EXPECT_EQ(!(summary.index && summary.blocks && summary.allElements), c.inspectionSeesDamage);
    ASSERT_EQ(test::AddOneElement(path, u"new"), 1);
    const SReadSummary rewritten = ReadEverything(path);
    EXPECT_TRUE(rewritten.index && rewritten.blocks);
    EXPECT_EQ(rewritten.elements, c.elementsAfterRewrite);
  }
}

TEST(DamagedFile, RepeatedOffsetsCannotMultiplyTheRecords) {
  constexpr std::uint32_t kRepeats = 2000;
  const std::uint32_t record = 42 + 4 + 4 * kRepeats;
  CBytes bytes = Crafted({{0x80000000u | 42}});
  bytes.U32(kRepeats);
  for (std::uint32_t i = 0; i < kRepeats; ++i) bytes.U32(record);
  Record(bytes);
  TempFolder folder;
  const WString path = folder.File("repeats.tavi");
  WriteBytes(Native(path), bytes.Get());
  ASSERT_EQ(test::AddOneElement(path, u"new"), 1);
  const SReadSummary rewritten = ReadEverything(path);
  // The record takes 138 bytes: the file's own length allows no more copies than fit in it (one
  // more for the rest), and the new element comes on top.
  EXPECT_LE(rewritten.elements, bytes.Size() / 138 + 2);
  EXPECT_GE(rewritten.elements, 2u);
}

// Makes writes past limit bytes fail for the lifetime of the object.
class CFileSizeLimit {
 public:
  explicit CFileSizeLimit(rlim_t limit) {
    getrlimit(RLIMIT_FSIZE, &m_saved);
    m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit reduced = m_saved;
    reduced.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &reduced);
  }
  ~CFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &m_saved);
    std::signal(SIGXFSZ, m_oldHandler);
  }
  CFileSizeLimit(const CFileSizeLimit&) = delete;
  CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

 private:
  rlimit m_saved{};
  void (*m_oldHandler)(int) = nullptr;
};

TEST(WriteFailure, SaveLeavesNothingBehindAndFreesEverything) {
  // A small file fails only when it is closed, a large one while its buffer is written out.
  const std::pair<int, rlim_t> cases[] = {
      {10, 100}, {20000, 100}, {20000, 300000}, {20000, 1500000}};
  for (const auto& [count, limit] : cases) {
    SCOPED_TRACE(std::to_string(count) + " elements, limit " + std::to_string(limit));
    TempFolder folder;
    const WString path = folder.File("Shops.tavi");
    CCustomTaviFile file;
    ASSERT_TRUE(file.Create(path, kBounds));
    ElementArray elements;
    for (int i = 0; i < count; ++i) {
      elements.push_back(
          MakeElement(u"poi", 1000000 + (i * 7919) % 1000000, 4000000 + (i * 104729) % 1000000));
    }
    {
      CFileSizeLimit guard(limit);
      EXPECT_THROW(file.AddElementsAndSave(std::move(elements)), CFileException);
    }
    EXPECT_EQ(g_nProgressTotal, 0);
    EXPECT_FALSE(std::filesystem::exists(Native(path)));
  }
}

TEST(WriteFailure, CreateRaisesAndTheContainerStillCleansUp) {
  TempFolder folder;
  auto file = std::make_unique<CCustomTaviFile>();
  {
    CFileSizeLimit guard(10);
    EXPECT_THROW(file->Create(folder.File("Shops.tavi"), kBounds), CFileException);
  }
  file.reset();
}

}  // namespace
}  // namespace tavi
