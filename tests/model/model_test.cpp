#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <thread>

#include "model/archive_string.h"
#include "model/element_arena.h"
#include "model/localized_string.h"
#include "model/model_pool.h"
#include "model/tavi_element.h"
#include "support/test_support.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace tavi {
namespace {

using test::Bytes;
using test::FromHex;

// The bytes write leaves in a new file.
Bytes Written(const std::function<void(CFile&)>& write) {
  test::TempFolder folder;
  CFile file;
  if (file.Open(folder.File("f"), CFile::modeCreate | CFile::modeWrite)) write(file);
  file.Close();
  return test::ReadBytes(folder.Path() / "f");
}

// A file holding bytes[start, end), open for reading.
class CBytesFile {
 public:
  explicit CBytesFile(const Bytes& bytes, std::size_t end = SIZE_MAX, std::size_t start = 0) {
    end = std::min(end, bytes.size());
    test::WriteBytes(m_folder.Path() / "f", Bytes(bytes.begin() + static_cast<long>(start),
                                                  bytes.begin() + static_cast<long>(end)));
    m_file.Open(m_folder.File("f"), CFile::modeRead);
  }
  CFile& operator*() { return m_file; }

 private:
  test::TempFolder m_folder;
  CFile m_file;
};

constexpr char16_t kTooLong[] = u"ERROR : Save String: char size > MAX_BYTES";

// The element record an element object gives through the arena, the one way records are saved.
Bytes SavedRecord(const CTaviElement& element, bool keepsIdentity,
                  std::uint32_t maxBytes = MAX_BYTES) {
  CElementArena arena;
  const CRecordView record = arena.View(arena.AddElement(element, keepsIdentity));
  Bytes bytes(SavedRecordSize(record, maxBytes));
  const char* end = SaveRecord(record, 0x0BAD, reinterpret_cast<char*>(bytes.data()), maxBytes);
  EXPECT_EQ(end, reinterpret_cast<const char*>(bytes.data() + bytes.size()));
  return bytes;
}

// Each mode's header and payload, worked out from the layout; the 8-bit form keeps one byte per
// unit, '?' for what is not ASCII, so that its payload stays valid UTF-8. A localized string is
// the count 1, the language 0 and the text in UTF-8.
TEST(SavedString, EachModeAsLaidOut) {
  const std::pair<std::int32_t, const char*> cases[] = {
      {ARCHIVE_MODE_8BIT, "02 00 00 40  68 3F"},
      {ARCHIVE_MODE_UTF8, "03 00 00 80  68 C3 A9"},
      {ARCHIVE_MODE_UTF16, "04 00 00 C0  68 00 E9 00"}};
  for (const auto& [mode, hex] : cases) {
    EXPECT_EQ(Written([mode](CFile& file) {
                SaveString(u"h\u00E9", SArchive{&file, mode});
              }),
              FromHex(hex))
        << hex;
  }
  EXPECT_EQ(Written([](CFile& file) { SaveLocalizedString(u"hi", file); }),
            FromHex("01 00 00 00  00  02 00 00 80  68 69"));
}

// A text that cannot be saved is reported and saved empty, so that the record keeps its layout;
// an unknown mode writes nothing. The result is where the string starts, always.
TEST(SavedString, WhatCannotBeSavedIsReported) {
  const auto failing = [](WStringView, std::string&) { return false; };
  const std::tuple<std::int32_t, std::uint32_t, Utf8Encoder, const char*, WString> cases[] = {
      {1500, MAX_BYTES, EncodeUtf8, "", u"ERROR : Save String: Invalid archive mode!"},
      {ARCHIVE_MODE_UTF8, MAX_BYTES, failing, "00 00 00 80",
       u"ERROR : Save String: Multibyte conversion failed!"},
      {ARCHIVE_MODE_8BIT, 2, EncodeUtf8, "00 00 00 40", kTooLong},
      {ARCHIVE_MODE_UTF8, 3, EncodeUtf8, "00 00 00 80", kTooLong}};  // 3 units, 4 bytes
  for (const auto& [mode, maxBytes, encoder, hex, message] : cases) {
    test::CRecordingWindow messages;
    const Bytes bytes = Written([&](CFile& file) {
      file.Write("xy", 2);
      EXPECT_EQ(SaveString(u"\u00E9bc", SArchive{&file, mode}, {encoder, maxBytes}), 2);
    });
    EXPECT_EQ(Bytes(bytes.begin() + 2, bytes.end()), FromHex(hex)) << hex;
    EXPECT_EQ(messages.boxes, std::vector<WString>{message});
  }
  // The element record's serializer: a name of 2 units and 4 bytes against 3 bytes at most.
  test::CRecordingWindow messages;
  CTaviElement named;
  named.SetName(u"\u00E9\u00E9");
  const Bytes saved = SavedRecord(named, false, 3);
  EXPECT_EQ(Bytes(saved.begin() + 19, saved.begin() + 23), FromHex("00 00 00 80"));  // after 9 + 10
  EXPECT_EQ(messages.boxes, std::vector<WString>{kTooLong});
}

// What a damaged string gives: the text of the bytes there are, never a read past the end.
TEST(SavedString, LoadingReadsOnlyWhatIsThere) {
  const std::tuple<const char*, WString, std::uint64_t, bool> cases[] = {
      {"02 00 00 40  68 69  00", u"hi", 6, true},
      {"04 00 00 C0  61 00 2D 4E", u"a\u4E2D", 8, true},
      {"00 00 00 80  61", u"", 4, true},
      {"02 00 00 00  61 62 63", u"", 6, true},  // a tag never written: its length is skipped
      {"09 00 00 00  61", u"", 5, false},
      {"03 00 00 C0  61 00 62", u"a", 7, true},  // an odd byte is no unit
      {"05 00 00 80  61 62", u"ab", 6, false},
      {"FF FF FF BF  61 62 63", u"abc", 7, false},
      {"FF FF FF FF  61 00 62", u"a", 7, false},
      {"02 00 00 80  C3 41", u"\uFFFDA", 6, true},
      {"03 00 00", u"", 3, false}};
  for (const auto& [hex, text, end, complete] : cases) {
    CBytesFile file(FromHex(hex));
    CCompactString loaded(u"old");
    EXPECT_EQ(LoadSavedString(*file, loaded), complete) << hex;
    EXPECT_EQ(loaded, text) << hex;
    EXPECT_EQ((*file).GetPosition(), end) << hex;
  }
  Bytes huge = FromHex("58 02 00 80");  // 600 bytes promised, 599 there
  huge.resize(603, 'x');
  CBytesFile file(huge);
  WString loaded;
  EXPECT_FALSE(LoadSavedString(*file, loaded));
  EXPECT_EQ(loaded, WString(599, u'x'));
}

// Entries of the current language win, the last of them most; before one is seen, the fallback
// language replaces the text and any other language fills it only while it is empty. Counts and
// lengths of a damaged file are bounded by its end.
TEST(LocalizedString, ChoosesByLanguage) {
  const std::uint8_t current = currentLanguage;
  currentLanguage = 7;
  const std::tuple<const char*, WString, bool> cases[] = {
      {"00 00 00 00", u"", true},
      {"02 00 00 00  05 01 00 00 80 58  07 01 00 00 80 43", u"C", true},
      {"02 00 00 00  07 01 00 00 80 43  05 01 00 00 80 58", u"C", true},
      {"02 00 00 00  07 01 00 00 80 41  07 01 00 00 80 42", u"B", true},
      {"02 00 00 00  05 01 00 00 80 58  06 01 00 00 80 5A", u"X", true},
      {"02 00 00 00  05 00 00 00 80     06 01 00 00 80 5A", u"Z", true},
      {"02 00 00 00  05 01 00 00 80 58  00 01 00 00 80 46", u"F", true},
      {"02 00 00 00  00 01 00 00 80 46  05 01 00 00 80 58", u"F", true},
      {"03 00 00 00  07 01 00 00 80 43  00 01 00 00 80 46  05 01 00 00 80 58", u"C", true},
      {"FF FF FF FF  07 01 00 00 80 59", u"Y", false},
      {"05 00 00 00  07 01 00 00 80 59  05 FF FF FF BF 61", u"Y", false}};
  for (const auto& [hex, text, complete] : cases) {
    CBytesFile file(FromHex(hex));
    CCompactString field(u"old");
    EXPECT_EQ(LoadLocalizedString(*file, field), complete) << hex;
    EXPECT_EQ(field, text) << hex;
    EXPECT_EQ((*file).GetPosition(), (*file).GetLength()) << hex;
  }
  currentLanguage = current;
}

// The record of an element with every field set, worked out by hand in a file of the
// command-line case "dump", where it starts at 58.
Bytes FullRecord() {
  const Bytes file = test::ReadHexFile("tests/cli/data/dump/in/full.tavi.hex");
  return Bytes(file.begin() + 58, file.end());
}

// The record loads every field (the dump case shows its texts by name) and, saved again, gives
// the same bytes. An element without details is its own fields only, and its presence bits tell
// what is written, whatever a load left in them.
TEST(Element, RecordRoundTrip) {
  const Bytes record = FullRecord();
  CBytesFile file(record);
  CTaviElement e;
  ASSERT_TRUE(e.Load(*file, 0, 4));
  EXPECT_EQ(std::tuple(e.id, e.type, e.presence, e.details->id, e.details->rating),
            std::tuple(7, 3, std::uint8_t{7}, 7, std::uint8_t{4}));
  EXPECT_EQ(std::tuple(e.details->category->code1, e.details->category->code2, e.details->extraByte,
                       e.details->extraInt),
            std::tuple(17, -2, std::uint8_t{0xA5}, -123456));
  CTaviElement stale;
  stale.presence = 0x80 | CTaviElement::kHasMedia;
  EXPECT_EQ(SavedRecord(e, true), record);
  EXPECT_EQ(SavedRecord(stale, true), FromHex("FF FF FF FF  FF FF FF FF  80"));
  // A missing address or category is written with its defaults, so the layout holds.
  CTaviElement bare;
  bare.SetName(u"n");
  CTaviElement completed;
  completed.SetName(u"n");
  completed.EnsureDetails();
  EXPECT_EQ(bare.GetRatingString(u"*"), u"");
  EXPECT_EQ(SavedRecord(bare, false), SavedRecord(completed, false));
}

// Each part of the record, alone, loads complete only when all of its bytes are there, so that a
// cut kept to one part shows where later fields would not show it.
TEST(Element, EveryPartIsCompleteOnlyWhenWhole) {
  using Load = std::function<bool(CFile&)>;
  const auto element = [](std::int32_t v) {
    return Load([v](CFile& f) { return CTaviElement().Load(f, 0, v); });
  };
  const auto details = [](std::int32_t v) {
    return Load([v](CFile& f) { return CTaviDetails().Load(f, v); });
  };
  const auto address = [](std::int32_t v) {
    return Load([v](CFile& f) { return CTaviAddress().Load(f, v); });
  };
  const std::tuple<std::size_t, std::size_t, Load> parts[] = {
      {0, 230, element(4)},
      {0, 84, element(3)},
      {0, 33, element(2)},
      {9, 182, details(4)},
      {9, 84, details(3)},
      {9, 33, details(2)},
      {25, 84, address(4)},
      {25, 33, address(2)},
      {14, 25,
       [](CFile& f) {
         CCompactString s;
         return LoadLocalizedString(f, s);
       }},
      {109, 124, [](CFile& f) { return CTaviCategory().Load(f); }},
      {182, 206, [](CFile& f) { return CTaviMedia().Load(f); }},
      {206, 230, [](CFile& f) { return CTaviLinks().Load(f); }}};
  const Bytes record = FullRecord();
  for (const auto& [start, end, load] : parts) {
    for (std::size_t cut = start; cut <= end; ++cut) {
      CBytesFile file(record, cut, start);
      EXPECT_EQ(load(*file), cut == end) << start << ".." << end << " cut at " << cut;
      EXPECT_LE((*file).GetPosition(), cut - start);
    }
  }
}

// Each test frees what it made, so the pool starts and ends empty, its slabs released.
class Pool : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(GetPoolStatistics().liveBlocks, 0u); }
  void TearDown() override {
    EXPECT_EQ(GetPoolStatistics().liveBlocks, 0u);
    EXPECT_EQ(GetPoolStatistics().slabBytes, 0u);
  }
};

// Blocks of every size are aligned and apart, a freed block serves its size class again, large
// blocks bypass the slabs, and the slabs go with the last block.
TEST_F(Pool, BlocksAreApartAndReused) {
  std::vector<char*> blocks;
  for (std::size_t bytes = 1; bytes <= kPoolLargest; ++bytes) {
    blocks.push_back(static_cast<char*>(PoolAllocate(bytes)));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(blocks.back()) % kPoolGranule, 0u);
    std::memset(blocks.back(), static_cast<int>(bytes), bytes);
  }
  for (std::size_t bytes = 1; bytes <= kPoolLargest; ++bytes) {
    EXPECT_EQ(std::count(blocks[bytes - 1], blocks[bytes - 1] + bytes, static_cast<char>(bytes)),
              static_cast<std::ptrdiff_t>(bytes));
  }
  PoolFree(blocks[16], 17);
  EXPECT_EQ(PoolAllocate(24), blocks[16]);  // 17 and 24 bytes share a class, 25 does not
  void* larger = PoolAllocate(25);
  EXPECT_NE(larger, blocks[16]);
  void* big = PoolAllocate(kPoolLargest + 1);  // from the heap
  EXPECT_EQ(GetPoolStatistics().liveBlocks, kPoolLargest + 1);
  PoolFree(big, kPoolLargest + 1);
  PoolFree(larger, 25);
  for (std::size_t bytes = 2; bytes <= kPoolLargest; ++bytes) PoolFree(blocks[bytes - 1], bytes);
  EXPECT_GT(GetPoolStatistics().slabs, 0u);  // one block still holds them
  PoolFree(blocks[0], 1);
  PoolFree(nullptr, 8);
  auto element = std::make_unique<CTaviElement>();  // made here, freed on another thread
  element->SetName(u"n");
  std::thread([&element] { element.reset(); }).join();
}

#if defined(__SANITIZE_ADDRESS__)
TEST_F(Pool, FreeBlocksAndUnusedSlabBytesArePoisoned) {
  char* anchor = static_cast<char*>(PoolAllocate(8));
  char* block = static_cast<char*>(PoolAllocate(20));
  EXPECT_FALSE(__asan_address_is_poisoned(block + 19));
  EXPECT_TRUE(__asan_address_is_poisoned(block + 20));
  EXPECT_TRUE(__asan_address_is_poisoned(block + 24));
  PoolFree(block, 20);
  EXPECT_TRUE(__asan_address_is_poisoned(block));
  PoolFree(anchor, 8);
}
#endif

}  // namespace
}  // namespace tavi
