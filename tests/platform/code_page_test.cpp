#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace tavi {
namespace {

using namespace std::string_view_literals;

constexpr WChar kBad = u'\uFFFD';

// Each maximal subpart of an ill-formed sequence becomes one U+FFFD; decoding resumes at the
// first byte that did not fit.
TEST(Utf8Decode, IllFormedInput) {
  const struct {
    std::string_view bytes;
    WString expected;
  } kCases[] = {{"a\0b"sv, WString(u"a\0b", 3)},
                {"\xBF\x80"sv, WString{kBad, kBad}},
                // overlong forms
                {"\xC0\x80"sv, WString{kBad, kBad}},
                {"\xC1\xBF"sv, WString{kBad, kBad}},
                {"\xE0\x9F\xBF"sv, WString{kBad, kBad, kBad}},
                {"\xF0\x8F\xBF\xBF"sv, WString{kBad, kBad, kBad, kBad}},
                {"\xF8\x88\x80\x80\x80"sv, WString(5, kBad)},
                // surrogates encoded in UTF-8, alone and as a pair
                {"\xED\xA0\x80"sv, WString{kBad, kBad, kBad}},
                {"\xED\xBF\xBF"sv, WString{kBad, kBad, kBad}},
                {"\xED\xA0\x80\xED\xB0\x80"sv, WString(6, kBad)},
                // above U+10FFFF
                {"\xF4\x90\x80\x80"sv, WString(4, kBad)},
                {"\xF5\x80\x80\x80"sv, WString(4, kBad)},
                {"a\xFFz"sv, u"a\uFFFDz"},
                // cut off at the end, or before another character
                {"\xC3"sv, WString{kBad}},
                {"\xE2\x82"sv, WString{kBad}},
                {"\xF0\x9F\x98"sv, WString{kBad}},
                {"\xE2\x82\x41"sv, u"\uFFFDA"},
                {"\xF0\x9F\xE2\x82\xAC"sv, u"\uFFFD\u20AC"},
                {"\xC3\xC0"sv, WString{kBad, kBad}},
                // the Unicode standard's example of maximal subparts
                {"\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64"sv,
                 u"a\uFFFD\uFFFD\uFFFDb\uFFFDc\uFFFD\uFFFDd"}};
  for (const auto& c : kCases) EXPECT_EQ(Utf8ToWide(c.bytes), c.expected) << c.bytes;
}

// "a", U+00E9, U+20AC, U+1F600, "z": each prefix gives the whole characters before the cut and
// one U+FFFD for a character cut in two.
TEST(Utf8Decode, TruncationAtEveryOffset) {
  const std::string_view all = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z"sv;
  const WString expected[] = {u"",
                              u"a",
                              u"a\uFFFD",
                              u"a\u00E9",
                              u"a\u00E9\uFFFD",
                              u"a\u00E9\uFFFD",
                              u"a\u00E9\u20AC",
                              u"a\u00E9\u20AC\uFFFD",
                              u"a\u00E9\u20AC\uFFFD",
                              u"a\u00E9\u20AC\uFFFD",
                              u"a\u00E9\u20AC\U0001F600",
                              u"a\u00E9\u20AC\U0001F600z"};
  for (std::size_t cut = 0; cut <= all.size(); ++cut) {
    EXPECT_EQ(Utf8ToWide(all.substr(0, cut)), expected[cut]) << "cut at " << cut;
  }
}

TEST(Utf8Encode, EncodesAndMeasures) {
  const struct {
    WString text;
    std::string_view expected;
  } kCases[] = {{WString(u"a\0b", 3), "a\0b"sv},
                {u"\u0080", "\xC2\x80"sv},
                {u"\u07FF", "\xDF\xBF"sv},
                {u"\u0800", "\xE0\xA0\x80"sv},
                {u"\uD7FF", "\xED\x9F\xBF"sv},
                {u"\uE000", "\xEE\x80\x80"sv},
                {u"\uFFFF", "\xEF\xBF\xBF"sv},
                {WString{0xD800, 0xDC00}, "\xF0\x90\x80\x80"sv},
                {WString{0xD83D, 0xDE00}, "\xF0\x9F\x98\x80"sv},
                {WString{0xDBFF, 0xDFFF}, "\xF4\x8F\xBF\xBF"sv},
                // unpaired surrogates
                {WString{u'a', 0xD800}, "a\xEF\xBF\xBD"sv},
                {WString{0xDBFF, u'a'}, "\xEF\xBF\xBD\x61"sv},
                {WString{0xDC00, 0xD800}, "\xEF\xBF\xBD\xEF\xBF\xBD"sv},
                {WString{0xD800, 0xD800, 0xDC00}, "\xEF\xBF\xBD\xF0\x90\x80\x80"sv}};
  for (const auto& c : kCases) {
    EXPECT_EQ(WideToUtf8(c.text), c.expected);
    EXPECT_EQ(Utf8Length(c.text), c.expected.size());
  }
  std::string out = "x=";
  AppendUtf8(u"\u00E9", out);
  EXPECT_EQ(out, "x=\xC3\xA9");
}

// Every code point survives the trip to UTF-8 and back.
TEST(Utf8RoundTrip, AllCodePoints) {
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

TEST(AnsiDecode, Windows1252) {
  // the five undefined bytes keep their value, as C1 controls
  EXPECT_EQ(AnsiToWide("\x81\x8D\x8F\x90\x9D"sv), u"\u0081\u008D\u008F\u0090\u009D");
  EXPECT_EQ(AnsiToWide("\x80\x82\x8A\x8C\x8E\x91\x96\x99\x9E\x9F"sv),
            u"\u20AC\u201A\u0160\u0152\u017D\u2018\u2013\u2122\u017E\u0178");
  // everything else is Latin-1
  EXPECT_EQ(AnsiToWide("\0\x41\x7F\xA0\xE9\xFF"sv),
            WString(u"\0\u0041\u007F\u00A0\u00E9\u00FF", 6));
  EXPECT_EQ(MultiByteToWide(CP_UTF8, "\xC3\xA9"sv), u"\u00E9");
  EXPECT_EQ(MultiByteToWide(CP_ACP, "\xC3\xA9"sv), u"\u00C3\u00A9");
  EXPECT_EQ(MultiByteToWide(static_cast<CodePage>(1252), "\xC3\xA9"sv), u"\u00C3\u00A9");
}

}  // namespace
}  // namespace tavi
