#include "model/compact_string.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "model/archive_string.h"
#include "model_test_files.h"
#include "platform/code_page.h"

namespace tavi::test {
namespace {

struct SUtf8Case {
  const char* label;
  WString text;
  std::string utf8;
};

class CompactStringUtf8 : public testing::TestWithParam<SUtf8Case> {};

TEST_P(CompactStringUtf8, HoldsTheUtf8FormAndGivesTheTextBack) {
  CCompactString field;
  field = WStringView(GetParam().text);
  EXPECT_EQ(field.utf8(), GetParam().utf8);
  EXPECT_EQ(field.empty(), GetParam().utf8.empty());
  EXPECT_EQ(field.str(), Utf8ToWide(GetParam().utf8));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CompactStringUtf8,
    testing::Values(SUtf8Case{"Empty", u"", ""}, SUtf8Case{"Ascii", u"abc", "abc"},
                    SUtf8Case{"LastAscii", u"a\u007F", "a\x7F"},
                    SUtf8Case{"FirstBeyondAscii", u"a\u0080", "a\xC2\x80"},
                    SUtf8Case{"Acute", u"\u00E9", "\xC3\xA9"},
                    SUtf8Case{"ThreeBytes", u"\u4E2D", "\xE4\xB8\xAD"},
                    SUtf8Case{"SurrogatePair", u"\U0001F600", "\xF0\x9F\x98\x80"},
                    // No UTF-8 form of its own: held as U+FFFD, as the record stores it.
                    SUtf8Case{"UnpairedSurrogate", WString(1, u'\xDC00') + u"a",
                              "\xEF\xBF\xBD"
                              "a"}),
    CaseLabel());

TEST(CCompactString, ComparesMovesAndSelfAssigns) {
  const WString unpaired(1, u'\xD800');
  EXPECT_EQ(CCompactString(unpaired), unpaired);
  EXPECT_FALSE(CCompactString(unpaired) == u"x");
  EXPECT_EQ(CCompactString(), u"");
  CCompactString source(u"abc");
  CCompactString moved(std::move(source));
  CCompactString field(u"x");
  field = std::move(moved);
  EXPECT_EQ(field, u"abc");
  const CCompactString& same = field;
  field = same;
  EXPECT_EQ(field, u"abc");
  field = WStringView(field.str());
  EXPECT_EQ(field, u"abc");
}

Bytes Appended(const CCompactString& field, std::uint32_t maxBytes = MAX_BYTES) {
  CRecordBuffer record;
  std::copy_n("xy", 2, record.Extend(2));
  AppendSavedString(field, record, maxBytes);
  EXPECT_EQ(record.view().substr(0, 2), "xy");
  return Bytes(record.view().begin() + 2, record.view().end());
}

TEST(AppendSavedString, AppendsWhatSaveStringWritesInUtf8) {
  CMessageRecorder messages;
  for (const WString& text : {WString(), WString(u"abc"), WString(u"\u00E9\u4E2D\U0001F600"),
                              WString(1, u'\xD800'), WString(700, u'\u00E9')}) {
    const Bytes expected = WrittenBytes([&](CFile& file) {
      SaveString(text, SArchive{&file, ARCHIVE_MODE_UTF8});
    });
    EXPECT_EQ(Hex(Appended(CCompactString(text))), Hex(expected));
  }
  EXPECT_TRUE(messages.texts.empty());
}

TEST(AppendSavedString, BytesByHand) {
  EXPECT_EQ(Hex(Appended(CCompactString(u"\u00E9b"))), "03 00 00 80 C3 A9 62");
  EXPECT_EQ(Hex(Appended(CCompactString(WString(1, u'\xD800') + u"a"))), "04 00 00 80 EF BF BD 61");
  EXPECT_EQ(Hex(Appended(CCompactString())), "00 00 00 80");
}

struct SFieldLimitCase {
  const char* label;
  WString text;
  std::uint32_t maxBytes;
  Bytes expected;
  bool tooLong;
};

class AppendSavedStringLimit : public testing::TestWithParam<SFieldLimitCase> {};

TEST_P(AppendSavedStringLimit, CountsTheUtf8Bytes) {
  CMessageRecorder messages;
  EXPECT_EQ(Hex(Appended(CCompactString(GetParam().text), GetParam().maxBytes)),
            Hex(GetParam().expected));
  EXPECT_EQ(messages.texts.size(), GetParam().tooLong ? 1u : 0u);
  if (GetParam().tooLong) {
    EXPECT_EQ(messages.texts[0], u"ERROR : Save String: char size > MAX_BYTES");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Limits, AppendSavedStringLimit,
    testing::Values(
        SFieldLimitCase{
            "AtTheLimit", u"\u00E9\u00E9", 4, {0x04, 0, 0, 0x80, 0xC3, 0xA9, 0xC3, 0xA9}, false},
        // Two units fit, their four bytes do not: the header alone keeps the record's layout.
        SFieldLimitCase{"BytesOverTheLimit", u"\u00E9\u00E9", 3, {0x00, 0, 0, 0x80}, true},
        SFieldLimitCase{"UnitsOverTheLimit", u"abc", 2, {0x00, 0, 0, 0x80}, true}),
    CaseLabel());

}  // namespace
}  // namespace tavi::test
