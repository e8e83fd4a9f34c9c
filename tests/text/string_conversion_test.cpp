#include "text/string_conversion.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace tavi {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes BufferBytes(const char* buffer, std::size_t size) {
  return Bytes(reinterpret_cast<const unsigned char*>(buffer),
               reinterpret_cast<const unsigned char*>(buffer) + size);
}

TEST(StringConversionTest, BuffersFromArgumentOrStoredText) {
  CStringConversion conversion(u"abc");
  const char* utf8 = conversion.ToUtf8(u"");
  ASSERT_NE(utf8, nullptr);
  EXPECT_EQ(BufferBytes(utf8, 13), Bytes({'a', 'b', 'c', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(BufferBytes(conversion.ToUtf8(u"x"), 5), Bytes({'x', 0, 0, 0, 0}));
  const WChar* wide = conversion.ToWideBuffer(u"y");
  EXPECT_EQ(wide[0], u'y');
  EXPECT_EQ(wide[1], 0);
  const WChar* stored = conversion.ToWideBuffer(u"");
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(WString(stored), u"abc");
  // every buffer stays valid until the conversion object goes
  EXPECT_STREQ(utf8, "abc");
  EXPECT_EQ(conversion.GetBufferCount(), 4u);
  CStringConversion nothing;
  EXPECT_EQ(nothing.ToUtf8(u""), nullptr);
  EXPECT_EQ(nothing.ToWideBuffer(u""), nullptr);
  EXPECT_EQ(nothing.GetBufferCount(), 0u);
}

struct Utf8BufferCase {
  const char* name;
  WString text;
  Bytes buffer;  // the whole 4 * n + 1 bytes
};

class Utf8BufferTest : public ::testing::TestWithParam<Utf8BufferCase> {};

TEST_P(Utf8BufferTest, FillsZeroedBuffer) {
  CStringConversion conversion;
  const char* utf8 = conversion.ToUtf8(GetParam().text);
  ASSERT_NE(utf8, nullptr);
  EXPECT_EQ(BufferBytes(utf8, GetParam().buffer.size()), GetParam().buffer);
}

INSTANTIATE_TEST_SUITE_P(
    All, Utf8BufferTest,
    ::testing::Values(
        Utf8BufferCase{"TwoByte", u"\u00E9", {0xC3, 0xA9, 0, 0, 0}},
        Utf8BufferCase{
            "SurrogatePair", WString{0xD83D, 0xDE00}, {0xF0, 0x9F, 0x98, 0x80, 0, 0, 0, 0, 0}},
        Utf8BufferCase{"UnpairedSurrogate", WString{0xDC00}, {0xEF, 0xBF, 0xBD, 0, 0}},
        Utf8BufferCase{"ThreeBytesPerUnit",
                       u"\uFFFF\uFFFF\uFFFF",
                       {0xEF, 0xBF, 0xBF, 0xEF, 0xBF, 0xBF, 0xEF, 0xBF, 0xBF, 0, 0, 0, 0}},
        Utf8BufferCase{
            "EmbeddedNul", WString(u"a\0b", 3), {'a', 0, 'b', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}),
    [](const auto& c) { return std::string(c.param.name); });

TEST(DecodeMultiByteTest, NothingGivesEmptyText) {
  for (const CodePage codePage : {CP_UTF8, CP_ACP}) {
    EXPECT_EQ(DecodeMultiByte(nullptr, codePage), u"");
    EXPECT_EQ(DecodeMultiByte("", codePage), u"");
    EXPECT_EQ(DecodeMultiByte("\0abc", codePage), u"");
  }
}

TEST(DecodeMultiByteTest, DecodesInTheGivenCodePage) {
  EXPECT_EQ(DecodeMultiByte("\xC3\xA9", CP_UTF8), u"\u00E9");
  EXPECT_EQ(DecodeMultiByte("\xC3\xA9", CP_ACP), u"\u00C3\u00A9");
  EXPECT_EQ(DecodeMultiByte("\x80", CP_ACP), u"\u20AC");
  EXPECT_EQ(DecodeMultiByte("\xC3\xA9", static_cast<CodePage>(1252)), u"\u00C3\u00A9");
  EXPECT_EQ(DecodeMultiByte("a\xE9z", CP_UTF8), u"a\uFFFDz");  // replaced, not read as ANSI
  EXPECT_EQ(DecodeMultiByte("ab\0cd", CP_UTF8), u"ab");
}

// The form that decodes into a reused buffer replaces its content and stops at the first zero.
TEST(DecodeMultiByteIntoTest, ReplacesWhatTheBufferHeld) {
  WString out = u"a longer text that was there before";
  DecodeMultiByte(std::string_view("ab"), CP_UTF8, out);
  EXPECT_EQ(out, u"ab");
  DecodeMultiByte(std::string_view(), CP_ACP, out);
  EXPECT_EQ(out, u"");
  DecodeMultiByte(std::string_view("abcdef", 3), CP_ACP, out);
  EXPECT_EQ(out, u"abc");
  DecodeMultiByte(std::string_view("ab\0cd", 5), CP_UTF8, out);
  EXPECT_EQ(out, u"ab");
  DecodeMultiByte(std::string_view("abcdefghij\xC3\xA9z"), CP_UTF8, out);
  EXPECT_EQ(out, u"abcdefghij\u00E9z");
  // 80 and 9F are the euro sign and Y with diaeresis; 81 is undefined and stays a C1 control
  DecodeMultiByte(std::string_view("abcdefghij\x80\x81\x9F\xA0\xFF"), CP_ACP, out);
  EXPECT_EQ(out, u"abcdefghij\u20AC\u0081\u0178\u00A0\u00FF");
}

// Random bytes, with ASCII runs long enough for the fast path, UTF-8 sequences cut anywhere and
// zero bytes, decode into a reused buffer exactly as a terminated copy decodes.
TEST(DecodeMultiByteIntoTest, AgreesWithTheTerminatedFormOnRandomBytes) {
  const std::vector<std::string> pieces = {
      "a",    "0123456789", ";",    "\xC3\xA9", "\xE2\x82\xAC",      "\xF0\x9F\x98\x80",
      "\xC3", "\xA9",       "\x80", "\xFF",     std::string(1, '\0')};
  std::mt19937 random(7);
  WString out;
  for (int round = 0; round < 5000; ++round) {
    std::string bytes;
    for (std::size_t n = random() % 10; n > 0; --n) bytes += pieces[random() % pieces.size()];
    for (const CodePage codePage : {CP_UTF8, CP_ACP, static_cast<CodePage>(1252)}) {
      DecodeMultiByte(std::string_view(bytes), codePage, out);
      ASSERT_EQ(out, DecodeMultiByte(bytes.c_str(), codePage)) << bytes;
    }
  }
}

struct NumberCase {
  const char* name;
  WString text;
  double expected;
};

const std::vector<NumberCase>& NumberCases() {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  static const std::vector<NumberCase> cases = {
      {"Decimal", u"12.5", 12.5},
      {"TrailingText", u"12.5abc", 12.5},
      {"LeadingSpacesAndExponent", u"  -3e2", -300.0},
      {"OtherWhiteSpace", u"\t\n\v\f\r+7", 7.0},
      {"CommaStopsTheNumber", u"1,5", 1.0},
      {"Empty", u"", 0.0},
      {"OnlySpaces", u"   ", 0.0},
      {"Letters", u"abc", 0.0},
      {"SignAlone", u"-", 0.0},
      {"ExponentAlone", u"e5", 0.0},
      {"IncompleteExponent", u"1e+", 1.0},
      {"LeadingPoint", u".5", 0.5},
      {"TrailingPoint", u"5.", 5.0},
      {"Hex", u"0x10", 16.0},
      {"HexFraction", u"0x1.8p1", 3.0},
      {"HexPrefixAlone", u"0x", 0.0},
      {"Infinity", u"-Infinity", -kInf},
      {"InfShort", u"inf", kInf},
      {"Overflow", u"1e400", kInf},
      {"Underflow", u"1e-400", 0.0},
      {"TiesToEven", u"9007199254740993", 9007199254740992.0},
      {"NonAsciiAfterNumber", u"12.5\u00E9", 12.5},
      {"NonAsciiBeforeNumber", u"\u00E912.5", 0.0},
      {"NoBreakSpaceIsNotWhiteSpace", u"\u00A012", 0.0},
      {"ArabicDigit", u"\u0661", 0.0},
      {"EmbeddedNul",
       WString(u"12\0"
               u"34",
               5),
       12.0},
      {"ManyZerosBeforeDigit", u"0." + WString(80, u'0') + u"5", 5e-81},
      {"LongTextAfterNumber", u"12.5" + WString(100, u'x'), 12.5},
  };
  return cases;
}

class ParseDoubleTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ParseDoubleTest, ReadsLikeTheCLocale) {
  EXPECT_EQ(ParseDouble(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(All, ParseDoubleTest, ::testing::ValuesIn(NumberCases()),
                         [](const auto& c) { return std::string(c.param.name); });

TEST(ParseDoubleEdgeTest, NotANumberAndNegativeZero) {
  EXPECT_TRUE(std::isnan(ParseDouble(u"nan")));
  EXPECT_TRUE(std::isnan(ParseDouble(u" NAN(123)x")));
  EXPECT_EQ(ParseDouble(u"-0"), 0.0);
  EXPECT_TRUE(std::signbit(ParseDouble(u"-0")));
}

// Every prefix of a number reads as the C library reads the same bytes in the "C" locale (the
// test process keeps the "C" locale here).
TEST(ParseDoubleEdgeTest, EveryPrefixReadsLikeStrtod) {
  for (const char* number : {" -12.5e+3x", "0x1.8p-2", "+infinity", "nan(1)", "9007199254740993"}) {
    const std::string whole = number;
    for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
      const std::string prefix = whole.substr(0, cut);
      const double expected = std::strtod(prefix.c_str(), nullptr);
      const double actual = ParseDouble(WString(prefix.begin(), prefix.end()));
      if (std::isnan(expected)) {
        EXPECT_TRUE(std::isnan(actual)) << prefix;
      } else {
        EXPECT_EQ(actual, expected) << prefix;
      }
    }
  }
}

TEST(ParseDoubleEdgeTest, ReadsOnlyTheView) {
  const WString text = u"12.5;7e2x";
  EXPECT_EQ(ParseDouble(WStringView(text).substr(0, 4)), 12.5);
  EXPECT_EQ(ParseDouble(WStringView(text).substr(5, 1)), 7.0);
  EXPECT_EQ(ParseDouble(WStringView(text).substr(5, 3)), 700.0);
}

// Numbers made of a sign, digits and a point read as the C library reads them, also with more
// digits than a double holds exactly and with many digits after the point.
TEST(ParseDoubleEdgeTest, PlainDecimalsReadLikeStrtod) {
  std::mt19937 random(11);
  const auto digits = [&](std::size_t count) {
    std::string text;
    for (; count > 0; --count) text += static_cast<char>('0' + random() % 10);
    return text;
  };
  for (int round = 0; round < 20000; ++round) {
    std::string number = std::vector<std::string>{"", "-", "+"}[random() % 3];
    number += digits(random() % 21);
    if (random() % 2 == 0) {
      number += '.';
      number += digits(random() % 25);
    }
    const double expected = std::strtod(number.c_str(), nullptr);
    const double actual = ParseDouble(WString(number.begin(), number.end()));
    ASSERT_EQ(actual, expected) << number;
    ASSERT_EQ(std::signbit(actual), std::signbit(expected)) << number;
  }
}

// A process locale whose decimal separator is a comma, as a desktop session may set.
struct CommaLocale {
  std::string previous = std::setlocale(LC_ALL, nullptr);
  bool active = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  ~CommaLocale() { std::setlocale(LC_ALL, previous.c_str()); }
};

TEST(ParseDoubleLocaleTest, ProcessLocaleDoesNotChangeTheReading) {
  const CommaLocale locale;
  if (!locale.active) GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed";
  ASSERT_EQ(std::strtod("1,5", nullptr), 1.5) << "the locale should read a decimal comma";
  for (const NumberCase& number : NumberCases()) {
    EXPECT_EQ(ParseDouble(number.text), number.expected) << number.name;
  }
}
}  // namespace
}  // namespace tavi
