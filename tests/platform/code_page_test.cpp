#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace tavi {
namespace {

using namespace std::string_view_literals;

constexpr WChar kBad = u'\uFFFD';

template <class Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& param) {
  return param.param.name;
}

struct DecodeCase {
  const char* name;
  std::string_view bytes;
  WString expected;
};

class Utf8DecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Utf8DecodeTest, DecodesAsExpected) {
  EXPECT_EQ(Utf8ToWide(GetParam().bytes), GetParam().expected);
}

// Well-formed sequences at the edges of each length class.
INSTANTIATE_TEST_SUITE_P(
    WellFormed, Utf8DecodeTest,
    ::testing::Values(
        DecodeCase{"Empty", ""sv, u""}, DecodeCase{"Ascii", "abc"sv, u"abc"},
        DecodeCase{"EmbeddedNul", "a\0b"sv, WString(u"a\0b", 3)},
        DecodeCase{"AsciiRunThenTwoByte", "abcdefghij\xC3\xA9k"sv, u"abcdefghij\u00E9k"},
        DecodeCase{"TwoByteLowest", "\xC2\x80"sv, u"\u0080"},
        DecodeCase{"TwoByteHighest", "\xDF\xBF"sv, u"\u07FF"},
        DecodeCase{"ThreeByteLowest", "\xE0\xA0\x80"sv, u"\u0800"},
        DecodeCase{"EuroSign", "\xE2\x82\xAC"sv, u"\u20AC"},
        DecodeCase{"BelowSurrogates", "\xED\x9F\xBF"sv, u"\uD7FF"},
        DecodeCase{"AboveSurrogates", "\xEE\x80\x80"sv, u"\uE000"},
        DecodeCase{"ThreeByteHighest", "\xEF\xBF\xBF"sv, u"\uFFFF"},
        DecodeCase{"FourByteLowest", "\xF0\x90\x80\x80"sv, WString{0xD800, 0xDC00}},
        DecodeCase{"Emoji", "\xF0\x9F\x98\x80"sv, WString{0xD83D, 0xDE00}},
        DecodeCase{"HighestCodePoint", "\xF4\x8F\xBF\xBF"sv, WString{0xDBFF, 0xDFFF}}),
    CaseName<DecodeCase>);

// Each maximal subpart of an ill-formed sequence becomes one U+FFFD, and decoding resumes at the
// first byte that did not fit.
INSTANTIATE_TEST_SUITE_P(
    IllFormed, Utf8DecodeTest,
    ::testing::Values(
        DecodeCase{"LoneContinuation", "\x80"sv, WString{kBad}},
        DecodeCase{"TwoContinuations", "\xBF\x80"sv, WString{kBad, kBad}},
        DecodeCase{"OverlongNulC0", "\xC0\x80"sv, WString{kBad, kBad}},
        DecodeCase{"OverlongC1", "\xC1\xBF"sv, WString{kBad, kBad}},
        DecodeCase{"OverlongThreeByte", "\xE0\x80\x80"sv, WString{kBad, kBad, kBad}},
        DecodeCase{"OverlongThreeByteHighest", "\xE0\x9F\xBF"sv, WString{kBad, kBad, kBad}},
        DecodeCase{"OverlongFourByte", "\xF0\x8F\xBF\xBF"sv, WString{kBad, kBad, kBad, kBad}},
        DecodeCase{"HighSurrogate", "\xED\xA0\x80"sv, WString{kBad, kBad, kBad}},
        DecodeCase{"LowSurrogate", "\xED\xBF\xBF"sv, WString{kBad, kBad, kBad}},
        DecodeCase{"SurrogatePairEncodedSeparately", "\xED\xA0\x80\xED\xB0\x80"sv,
                   WString(6, kBad)},
        DecodeCase{"AboveMaximum", "\xF4\x90\x80\x80"sv, WString(4, kBad)},
        DecodeCase{"LeadF5", "\xF5\x80\x80\x80"sv, WString(4, kBad)},
        DecodeCase{"LeadFE", "\xFE"sv, WString{kBad}},
        DecodeCase{"LeadFF", "a\xFFz"sv, u"a\uFFFDz"},
        DecodeCase{"FiveByteForm", "\xF8\x88\x80\x80\x80"sv, WString(5, kBad)},
        DecodeCase{"TwoByteCutAtEnd", "\xC3"sv, WString{kBad}},
        DecodeCase{"ThreeByteCutAtEnd", "\xE2\x82"sv, WString{kBad}},
        DecodeCase{"FourByteCutAtEnd", "\xF0\x9F\x98"sv, WString{kBad}},
        DecodeCase{"CutBeforeAscii",
                   "\xE2\x82"
                   "A"sv,
                   u"\uFFFDA"},
        DecodeCase{"CutBeforeNewSequence", "\xF0\x9F\xE2\x82\xAC"sv, u"\uFFFD\u20AC"},
        DecodeCase{"CutBeforeInvalidLead", "\xC3\xC0"sv, WString{kBad, kBad}},
        // The example the Unicode standard gives for substitution of maximal subparts.
        DecodeCase{"StandardExample", "\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64"sv,
                   u"a\uFFFD\uFFFD\uFFFDb\uFFFDc\uFFFD\uFFFDd"}),
    CaseName<DecodeCase>);

// One sequence of each length; every prefix decodes to the whole sequences before the cut plus
// one U+FFFD when the cut falls inside a sequence.
TEST(Utf8DecodeTest, TruncationAtEveryOffset) {
  struct Piece {
    std::string_view bytes;
    WString units;
  };
  const std::vector<Piece> pieces = {{"a"sv, u"a"},
                                     {"\xC3\xA9"sv, u"\u00E9"},
                                     {"\xE2\x82\xAC"sv, u"\u20AC"},
                                     {"\xF0\x9F\x98\x80"sv, WString{0xD83D, 0xDE00}},
                                     {"z"sv, u"z"}};
  std::string all;
  for (const Piece& piece : pieces) all += piece.bytes;
  for (std::size_t cut = 0; cut <= all.size(); ++cut) {
    WString expected;
    std::size_t offset = 0;
    for (const Piece& piece : pieces) {
      if (offset + piece.bytes.size() <= cut) {
        expected += piece.units;
      } else if (offset < cut) {
        expected += kBad;
      }
      offset += piece.bytes.size();
    }
    EXPECT_EQ(Utf8ToWide(std::string_view(all).substr(0, cut)), expected) << "cut at " << cut;
  }
}

struct EncodeCase {
  const char* name;
  WString text;
  std::string_view expected;
};

class Utf8EncodeTest : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(Utf8EncodeTest, EncodesAndMeasures) {
  EXPECT_EQ(WideToUtf8(GetParam().text), GetParam().expected);
  EXPECT_EQ(Utf8Length(GetParam().text), GetParam().expected.size());
}

INSTANTIATE_TEST_SUITE_P(
    All, Utf8EncodeTest,
    ::testing::Values(EncodeCase{"Empty", u"", ""sv}, EncodeCase{"Ascii", u"abc", "abc"sv},
                      EncodeCase{"EmbeddedNul", WString(u"a\0b", 3), "a\0b"sv},
                      EncodeCase{"TwoByteLowest", u"\u0080", "\xC2\x80"sv},
                      EncodeCase{"TwoByteHighest", u"\u07FF", "\xDF\xBF"sv},
                      EncodeCase{"ThreeByteLowest", u"\u0800", "\xE0\xA0\x80"sv},
                      EncodeCase{"AboveSurrogates", u"\uE000", "\xEE\x80\x80"sv},
                      EncodeCase{"ThreeByteHighest", u"\uFFFF", "\xEF\xBF\xBF"sv},
                      EncodeCase{"LowestPair", WString{0xD800, 0xDC00}, "\xF0\x90\x80\x80"sv},
                      EncodeCase{"EmojiPair", WString{0xD83D, 0xDE00}, "\xF0\x9F\x98\x80"sv},
                      EncodeCase{"HighestPair", WString{0xDBFF, 0xDFFF}, "\xF4\x8F\xBF\xBF"sv},
                      EncodeCase{"HighSurrogateAtEnd", WString{u'a', 0xD800}, "a\xEF\xBF\xBD"sv},
                      EncodeCase{"HighSurrogateBeforeAscii", WString{0xDBFF, u'a'},
                                 "\xEF\xBF\xBD"
                                 "a"sv},
                      EncodeCase{"LoneLowSurrogate", WString{0xDC00}, "\xEF\xBF\xBD"sv},
                      EncodeCase{"ReversedPair", WString{0xDC00, 0xD800},
                                 "\xEF\xBF\xBD\xEF\xBF\xBD"sv},
                      EncodeCase{"HighThenPair", WString{0xD800, 0xD800, 0xDC00},
                                 "\xEF\xBF\xBD\xF0\x90\x80\x80"sv}),
    CaseName<EncodeCase>);

TEST(Utf8EncodeTest, AppendKeepsExistingBytes) {
  std::string out = "x=";
  AppendUtf8(u"\u00E9", out);
  EXPECT_EQ(out, "x=\xC3\xA9");
}

// Every code point survives the trip to UTF-8 and back.
TEST(Utf8RoundTripTest, AllCodePoints) {
  WString text;
  for (char32_t code = 1; code <= 0x10FFFF; ++code) {
    if (code >= 0xD800 && code <= 0xDFFF) continue;
    if (code < 0x10000) {
      text += static_cast<WChar>(code);
    } else {
      text += static_cast<WChar>(0xD800 + ((code - 0x10000) >> 10));
      text += static_cast<WChar>(0xDC00 + ((code - 0x10000) & 0x3FF));
    }
  }
  const std::string utf8 = WideToUtf8(text);
  EXPECT_EQ(utf8.size(), Utf8Length(text));
  EXPECT_EQ(Utf8ToWide(utf8), text);
}

struct AnsiCase {
  unsigned char byte;
  WChar expected;
};

class AnsiDecodeTest : public ::testing::TestWithParam<AnsiCase> {};

TEST_P(AnsiDecodeTest, MapsByte) {
  const char byte = static_cast<char>(GetParam().byte);
  EXPECT_EQ(AnsiToWide(std::string_view(&byte, 1)), WString(1, GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Windows1252, AnsiDecodeTest,
                         ::testing::Values(
                             // The five undefined bytes keep their value, as C1 controls.
                             AnsiCase{0x81, 0x0081}, AnsiCase{0x8D, 0x008D}, AnsiCase{0x8F, 0x008F},
                             AnsiCase{0x90, 0x0090}, AnsiCase{0x9D, 0x009D},
                             // The defined part of 80..9F.
                             AnsiCase{0x80, 0x20AC}, AnsiCase{0x82, 0x201A}, AnsiCase{0x8A, 0x0160},
                             AnsiCase{0x8C, 0x0152}, AnsiCase{0x8E, 0x017D}, AnsiCase{0x91, 0x2018},
                             AnsiCase{0x96, 0x2013}, AnsiCase{0x99, 0x2122}, AnsiCase{0x9E, 0x017E},
                             AnsiCase{0x9F, 0x0178},
                             // Everything else is Latin-1.
                             AnsiCase{0x00, 0x0000}, AnsiCase{0x41, 0x0041}, AnsiCase{0x7F, 0x007F},
                             AnsiCase{0xA0, 0x00A0}, AnsiCase{0xE9, 0x00E9},
                             AnsiCase{0xFF, 0x00FF}));

TEST(AnsiDecodeTest, KeepsLengthAndOrder) {
  EXPECT_EQ(AnsiToWide("a\x80z\xFF"sv), u"a\u20ACz\u00FF");
}

TEST(MultiByteToWideTest, ChoosesDecoderByCodePage) {
  EXPECT_EQ(MultiByteToWide(CP_UTF8, "\xC3\xA9"sv), u"\u00E9");
  EXPECT_EQ(MultiByteToWide(CP_ACP, "\xC3\xA9"sv), u"\u00C3\u00A9");
  EXPECT_EQ(MultiByteToWide(static_cast<CodePage>(1252), "\xC3\xA9"sv), u"\u00C3\u00A9");
}

}  // namespace
}  // namespace tavi
