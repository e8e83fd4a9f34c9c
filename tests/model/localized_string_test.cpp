#include "model/localized_string.h"

#include <gtest/gtest.h>

#include <string>

#include "model_test_files.h"

namespace tavi::test {
namespace {

Bytes Count(std::uint32_t count) {
  return {static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(count >> 8),
          static_cast<std::uint8_t>(count >> 16), static_cast<std::uint8_t>(count >> 24)};
}

// One entry: language byte, then an ASCII text as a UTF-8 saved string.
Bytes Entry(std::uint8_t language, const std::string& text) {
  Bytes bytes{language, static_cast<std::uint8_t>(text.size()), 0x00, 0x00, 0x80};
  for (const char c : text) bytes.push_back(static_cast<std::uint8_t>(c));
  return bytes;
}

// Sets the two language codes for one test; the program itself never changes them.
struct CLanguages {
  std::uint8_t previousCurrent = currentLanguage;
  std::uint8_t previousFallback = fallbackLanguage;
  CLanguages(std::uint8_t current, std::uint8_t fallback) {
    currentLanguage = current;
    fallbackLanguage = fallback;
  }
  ~CLanguages() {
    currentLanguage = previousCurrent;
    fallbackLanguage = previousFallback;
  }
};

TEST(SaveLocalizedString, WritesOneEntryInTheCurrentLanguage) {
  EXPECT_EQ(Hex(WrittenBytes([](CFile& file) { SaveLocalizedString(u"ab", file); })),
            "01 00 00 00 00 02 00 00 80 61 62");
  EXPECT_EQ(Hex(WrittenBytes([](CFile& file) { SaveLocalizedString(u"", file); })),
            "01 00 00 00 00 00 00 00 80");
}

struct SChoiceCase {
  const char* label;
  std::uint8_t current;
  std::uint8_t fallback;
  Bytes bytes;
  WString expected;
};

class LoadLocalizedStringChoice : public testing::TestWithParam<SChoiceCase> {};

TEST_P(LoadLocalizedStringChoice, ChoosesByLanguageAndReadsEveryEntry) {
  CLanguages languages(GetParam().current, GetParam().fallback);
  CBytesFile input(Concat({GetParam().bytes, {0xEE}}));
  CCompactString field(u"old");  // replaced, also by nothing
  EXPECT_TRUE(LoadLocalizedString(input.file(), field));
  EXPECT_EQ(field.str(), GetParam().expected);
  EXPECT_EQ(input.file().GetPosition(), GetParam().bytes.size());
}

INSTANTIATE_TEST_SUITE_P(
    Languages, LoadLocalizedStringChoice,
    testing::Values(SChoiceCase{"OtherThenCurrent", 0, 0,
                                Concat({Count(2), Entry(5, "X"), Entry(0, "Y")}), u"Y"},
                    SChoiceCase{"OtherAlone", 0, 0, Concat({Count(1), Entry(5, "X")}), u"X"},
                    SChoiceCase{"NoEntries", 0, 0, Count(0), u""},
                    SChoiceCase{"CurrentThenOtherIsSkipped", 0, 0,
                                Concat({Count(2), Entry(0, "Y"), Entry(5, "X")}), u"Y"},
                    SChoiceCase{"LastCurrentWins", 0, 0,
                                Concat({Count(2), Entry(0, "A"), Entry(0, "B")}), u"B"},
                    SChoiceCase{"FirstOtherKeptOverLaterOther", 0, 0,
                                Concat({Count(2), Entry(5, "X"), Entry(6, "Z")}), u"X"},
                    SChoiceCase{"EmptyOtherLetsTheNextOneIn", 0, 0,
                                Concat({Count(2), Entry(5, ""), Entry(6, "Z")}), u"Z"},
                    SChoiceCase{"FallbackReplacesOther", 7, 0,
                                Concat({Count(2), Entry(3, "X"), Entry(0, "F")}), u"F"},
                    SChoiceCase{"OtherDoesNotReplaceFallback", 7, 0,
                                Concat({Count(2), Entry(0, "F"), Entry(3, "X")}), u"F"},
                    SChoiceCase{"CurrentReplacesFallback", 7, 0,
                                Concat({Count(2), Entry(0, "F"), Entry(7, "C")}), u"C"},
                    SChoiceCase{"FallbackAfterCurrentIsSkipped", 7, 0,
                                Concat({Count(3), Entry(7, "C"), Entry(0, "F"), Entry(3, "X")}),
                                u"C"}),
    CaseLabel());

TEST(LoadLocalizedString, HugeCountStopsAtTheEndOfTheFile) {
  CBytesFile input(Concat({Count(0xFFFFFFFF), Entry(0, "Y"), Entry(5, "X")}));
  CCompactString field;
  EXPECT_FALSE(LoadLocalizedString(input.file(), field));
  EXPECT_EQ(field.str(), u"Y");
  EXPECT_EQ(input.file().GetPosition(), input.file().GetLength());
}

TEST(LoadLocalizedString, SkippedEntryWithHugeLengthStopsAtTheEnd) {
  CBytesFile input(Concat({Count(5), Entry(0, "Y"), {0x05, 0xFF, 0xFF, 0xFF, 0xBF, 0x61}}));
  CCompactString field;
  EXPECT_FALSE(LoadLocalizedString(input.file(), field));
  EXPECT_EQ(field.str(), u"Y");
  EXPECT_EQ(input.file().GetPosition(), input.file().GetLength());
}

TEST(LoadLocalizedString, EveryTruncationReadsOnlyWhatIsThere) {
  const Bytes whole = Concat({Count(2), Entry(5, "X"), Entry(0, "YZ")});
  for (std::size_t size = 0; size <= whole.size(); ++size) {
    CBytesFile input(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size)));
    CCompactString field;
    EXPECT_EQ(LoadLocalizedString(input.file(), field), size == whole.size()) << size;
    // The first entry ends at byte 10. Once the language byte of the second one has arrived, that
    // entry wins, with as much of its text as there is.
    const WString expected = size < 10    ? u""
                             : size == 10 ? u"X"
                             : size < 16  ? u""
                             : size == 16 ? u"Y"
                                          : u"YZ";
    EXPECT_EQ(field.str(), expected) << size;
    EXPECT_EQ(input.file().GetPosition(), size);
  }
}

}  // namespace
}  // namespace tavi::test
