#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "platform/code_page.h"
#include "text/number_field.h"
#include "text/string_conversion.h"
#include "text/string_tokenizer.h"

namespace tavi {
namespace {

using Pieces = std::vector<WString>;

WString Widen(const std::string& ascii) {
  return WString(ascii.begin(), ascii.end());
}

// ParseDouble reads as strtod reads in the "C" locale, the locale the tests run in; every
// prefix of each text, plain decimals of every length, and random ones against the reference.
void ExpectReadsLikeStrtod(const std::string& text) {
  const double expected = std::strtod(text.c_str(), nullptr);
  const double actual = ParseDouble(Widen(text));
  if (std::isnan(expected)) {
    EXPECT_TRUE(std::isnan(actual)) << text;
  } else {
    EXPECT_EQ(actual, expected) << text;
    EXPECT_EQ(std::signbit(actual), std::signbit(expected)) << text;
  }
}

TEST(ParseDouble, ReadsLikeStrtodInTheCLocale) {
  for (const std::string& whole : std::vector<std::string>{
           " \t\n\v\f\r-12.5e+3x", "+0x1.8p-2;", "-infinity", "nan(1)", "1,5", "-0.0", ".5", "5.",
           "9007199254740993", "123456789012345678901234.5", "0." + std::string(30, '0') + "1"}) {
    for (std::size_t cut = 0; cut <= whole.size(); ++cut)
      ExpectReadsLikeStrtod(whole.substr(0, cut));
  }
  std::mt19937 random(11);
  for (int round = 0; round < 20000; ++round) {
    std::string number = std::string("+-").substr(random() % 3, 1);  // "", "-" or "+"
    for (std::size_t n = random() % 21; n > 0; --n)
      number += static_cast<char>('0' + random() % 10);
    if (random() % 2 == 0) number += '.';
    for (std::size_t n = random() % 25; n > 0; --n)
      number += static_cast<char>('0' + random() % 10);
    ExpectReadsLikeStrtod(number);
  }
  // Only the view is read; what is not ASCII is no number and ends one.
  EXPECT_EQ(ParseDouble(WStringView(u"12.5;7e2x").substr(5, 3)), 700.0);
  EXPECT_EQ(ParseDouble(u"12.5\u00E9"), 12.5);
  EXPECT_EQ(ParseDouble(u"\u00A012"), 0.0);
  EXPECT_EQ(ParseDouble(u"\u0661"), 0.0);
}

// A coordinate field is a number only when all of it, blanks around it trimmed, is one; a decimal
// comma counts where the separator is not a comma.
TEST(ParseNumberField, WholeFieldsOnly) {
  const std::tuple<const char16_t*, bool, std::optional<double>> cases[] = {
      {u" \t-12.5e1 ", false, -125.0},
      {u"5.", false, 5.0},
      {u".5", false, 0.5},
      {u"+1E+2", false, 100.0},
      {u"16,25", true, 16.25},
      {u"-0,5e1", true, -5.0},
      {u"16,25", false, std::nullopt},
      {u"16.3abc", true, {}},
      {u"N48", true, {}},
      {u"", true, {}},
      {u" . ", true, {}},
      {u"1e", true, {}},
      {u"1.5,2", true, {}},
      {u"0x10", true, {}},
      {u"inf", true, {}},
      {u"1 2", true, {}}};
  for (const auto& [field, decimalComma, value] : cases) {
    EXPECT_EQ(ParseNumberField(field, decimalComma), value)
        << WideToUtf8(field) << " " << decimalComma;
  }
}

// A desktop session may set a locale whose decimal separator is a comma.
TEST(ParseDouble, ProcessLocaleDoesNotChangeTheReading) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no de_DE.UTF-8 locale";
  EXPECT_EQ(ParseDouble(u"1.5"), 1.5);
  EXPECT_EQ(ParseDouble(u"-2.25e1x"), -22.5);
  EXPECT_EQ(ParseDouble(u"1,5"), 1.0);
  std::setlocale(LC_ALL, previous.c_str());
}

// Decoding into a reused buffer gives what the platform's conversion gives, zero bytes kept, and
// the terminated form stops at the first zero; for random bytes with ASCII runs long enough for
// the fast path, sequences cut anywhere and zero bytes.
TEST(DecodeMultiByte, ReusedBufferAgreesWithTheTerminatedForm) {
  const std::vector<std::string> pieces = {
      "a",    "0123456789",       "\xC3\xA9",          "\xE2\x82\xAC",
      "\xC3", "\x80\x81\x9F\xFF", std::string(1, '\0')};
  std::mt19937 random(7);
  WString out = u"what the buffer held before";
  for (int round = 0; round < 5000; ++round) {
    std::string bytes;
    for (std::size_t n = random() % 10; n > 0; --n) bytes += pieces[random() % pieces.size()];
    for (const CodePage codePage : {CP_UTF8, CP_ACP}) {
      DecodeMultiByte(std::string_view(bytes), codePage, out);
      ASSERT_EQ(out, MultiByteToWide(codePage, bytes)) << bytes;
      const std::string terminated = bytes.substr(0, bytes.find('\0'));
      ASSERT_EQ(DecodeMultiByte(bytes.c_str(), codePage), MultiByteToWide(codePage, terminated));
    }
  }
  EXPECT_EQ(DecodeMultiByte(nullptr, CP_UTF8), u"");
}

struct SSplitCase {
  WString text;
  WString delimiters;
  bool returnDelimiters;
  Pieces tokens;
  Pieces fields;  // as read while HasMoreFields holds
};

// Tokens skip runs of delimiters; fields are the texts between one delimiter and the next.
TEST(Tokenizer, TokensAndFields) {
  const SSplitCase cases[] = {
      {u";a;;b;", u";", false, {u"a", u"b"}, {u"", u"a", u"", u"b"}},
      {u"a,,b", u",", true, {u"a", u",", u",", u"b"}, {u"a", u"", u"b"}},
      {u"a|b;c d", u";|", false, {u"a", u"b", u"c d"}, {u"a", u"b", u"c d"}},
      {u"a;b", u"", false, {u"a;b"}, {u"a;b"}},
      {u"", u";", false, {}, {}},
      {u"1\r\n\r\n2\r3\n", u"\r\n", false, {u"1", u"2", u"3"}, {u"1", u"", u"", u"", u"2", u"3"}},
      {u"\u00E9\u00A7\u4E2D\u2016x;",
       u"\u2016\u00A7",
       false,
       {u"\u00E9", u"\u4E2D", u"x;"},
       {u"\u00E9", u"\u4E2D", u"x;"}}};
  for (const SSplitCase& c : cases) {
    const CDelimiterSet set(c.delimiters);
    CStringViewTokenizer counted(c.text, set, c.returnDelimiters);
    EXPECT_EQ(counted.CountTokens(), static_cast<std::int32_t>(c.tokens.size()));
    EXPECT_TRUE(counted.HasTokens(c.tokens.size()));
    EXPECT_FALSE(counted.HasTokens(c.tokens.size() + 1));
    Pieces tokens;
    for (std::size_t i = 0; i < c.tokens.size(); ++i) tokens.emplace_back(counted.NextToken());
    EXPECT_EQ(tokens, c.tokens);
    EXPECT_FALSE(counted.HasMoreTokens());
    EXPECT_EQ(counted.NextToken(), u"");
    CStringViewTokenizer looped(c.text, set, c.returnDelimiters);
    for (tokens.clear(); looped.HasMoreTokens();) tokens.emplace_back(looped.NextToken());
    EXPECT_EQ(tokens, c.tokens);
    CStringViewTokenizer fieldReader(c.text, set, c.returnDelimiters);
    Pieces fields;
    while (fieldReader.HasMoreFields()) fields.emplace_back(fieldReader.NextField());
    EXPECT_EQ(fields, c.fields);
    EXPECT_EQ(fieldReader.NextField(), u"");
  }
}

// A new delimiter set stays in force and forgets the start that HasMoreTokens found under the
// old one; the owning tokenizer hands out copies of the same pieces.
TEST(Tokenizer, ChangingDelimitersAndTheRest) {
  CStringTokenizer tokenizer(u";a;b,c;;d-e::f::g", 0, u";");
  EXPECT_EQ(tokenizer.CountTokens(), 3);
  EXPECT_TRUE(tokenizer.HasMoreFields());
  EXPECT_EQ(tokenizer.NextField(), u"");
  EXPECT_EQ(tokenizer.NextToken(), u"a");
  EXPECT_TRUE(tokenizer.HasMoreTokens());
  EXPECT_EQ(tokenizer.NextTokenWithDelimiters(u","), u";b");
  EXPECT_EQ(tokenizer.NextTokenWithDelimiters(u"-"), u",c;;d");
  EXPECT_EQ(tokenizer.NextSeparatedTokenWith(u"::"), u"-e");
  EXPECT_EQ(tokenizer.RemainingSeparatedText(), u"f::g");
  EXPECT_FALSE(tokenizer.HasMoreSeparatedTokens());
  CStringTokenizer rest(u"a;;b;c;", 1, u";");
  EXPECT_EQ(rest.NextToken(), u"a");
  EXPECT_EQ(rest.RemainingText(), u";;b;c;");
  EXPECT_EQ(rest.NextSeparatedToken(), u"");
}

}  // namespace
}  // namespace tavi
