#include "text/string_view_tokenizer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tavi {
namespace {

using Pieces = std::vector<WString>;

TEST(DelimiterSetTest, ContainsExactlyItsUnits) {
  const CDelimiterSet set(u";|\u00A7");
  for (const WChar c : {u';', u'|', u'\u00A7'}) EXPECT_TRUE(set.Contains(c)) << int{c};
  for (const WChar c : {u'a', u',', u'\0', u'\u00A6', u'\u00A8', u'\uFFFF', u'\u013B'}) {
    EXPECT_FALSE(set.Contains(c)) << int{c};
  }
  EXPECT_EQ(set.Text(), u";|\u00A7");
  const CDelimiterSet empty(u"");
  for (const WChar c : {u'\0', u';', u'\u00E9', u'\uFFFF'}) EXPECT_FALSE(empty.Contains(c));
}

struct SplitCase {
  const char* name;
  WString text;
  bool returnDelimiters;
  WString delimiters;
  Pieces tokens;
  Pieces fields;  // as read while HasMoreFields is true
};

class SplitTest : public ::testing::TestWithParam<SplitCase> {};

// Counting, reading a known number of tokens, looping on HasMoreTokens and reading fields.
TEST_P(SplitTest, TokensAndFields) {
  const SplitCase& c = GetParam();
  const CDelimiterSet set(c.delimiters);
  CStringViewTokenizer tokenizer(c.text, set, c.returnDelimiters);
  const std::size_t count = c.tokens.size();
  EXPECT_EQ(tokenizer.CountTokens(), static_cast<std::int32_t>(count));
  EXPECT_TRUE(tokenizer.HasTokens(count));
  EXPECT_FALSE(tokenizer.HasTokens(count + 1));
  Pieces tokens;
  for (std::size_t i = 0; i < count; ++i) tokens.emplace_back(tokenizer.NextToken());
  EXPECT_EQ(tokens, c.tokens);
  EXPECT_EQ(tokenizer.NextToken(), u"");
  EXPECT_EQ(tokenizer.NextToken(), u"");
  EXPECT_FALSE(tokenizer.HasMoreTokens());
  EXPECT_EQ(tokenizer.CountTokens(), 0);

  CStringViewTokenizer looping(c.text, set, c.returnDelimiters);
  tokens.clear();
  while (looping.HasMoreTokens()) tokens.emplace_back(looping.NextToken());
  EXPECT_EQ(tokens, c.tokens);

  CStringViewTokenizer fieldReader(c.text, set, c.returnDelimiters);
  Pieces fields;
  while (fieldReader.HasMoreFields()) fields.emplace_back(fieldReader.NextField());
  EXPECT_EQ(fields, c.fields);
  EXPECT_EQ(fieldReader.NextField(), u"");
}

INSTANTIATE_TEST_SUITE_P(
    All, SplitTest,
    ::testing::Values(
        SplitCase{"DoubleDelimiter", u"a;;b", false, u";", {u"a", u"b"}, {u"a", u"", u"b"}},
        SplitCase{"DelimitersAround", u";a;", false, u";", {u"a"}, {u"", u"a"}},
        SplitCase{
            "ReturnDelimiters", u"a,,b", true, u",", {u"a", u",", u",", u"b"}, {u"a", u"", u"b"}},
        SplitCase{"ReturnLeadingAndTrailing", u";a;", true, u";", {u";", u"a", u";"}, {u"", u"a"}},
        SplitCase{"NoDelimiters", u"a;b", false, u"", {u"a;b"}, {u"a;b"}},
        SplitCase{"EmptyText", u"", false, u";", {}, {}},
        SplitCase{"OnlyDelimiters", u";;;", false, u";", {}, {u"", u"", u""}},
        SplitCase{"AnyOfTheSet", u"a|b;c", false, u";|", {u"a", u"b", u"c"}, {u"a", u"b", u"c"}},
        SplitCase{"SpaceIsText", u"a; ;b", false, u";", {u"a", u" ", u"b"}, {u"a", u" ", u"b"}},
        SplitCase{"Lines",
                  u"one\r\ntwo\nthree\r\n\r\n\nfour\r\n",
                  false,
                  u"\r\n",
                  {u"one", u"two", u"three", u"four"},
                  {u"one", u"", u"two", u"three", u"", u"", u"", u"", u"four", u""}},
        SplitCase{"BlankLinesOnly", u"\r\n\r\n", false, u"\r\n", {}, {u"", u"", u"", u""}},
        SplitCase{"TextAboveTheHighestDelimiter",
                  u"\u00E9;\u4E2D",
                  false,
                  u";",
                  {u"\u00E9", u"\u4E2D"},
                  {u"\u00E9", u"\u4E2D"}},
        SplitCase{"NonAsciiDelimiter",
                  u"a\u00A7b\u00A7\u00A7c",
                  false,
                  u"\u00A7",
                  {u"a", u"b", u"c"},
                  {u"a", u"b", u"", u"c"}},
        // U+00E9 lies below the highest delimiter but is not in the set.
        SplitCase{"MixedSetWithTextBelowHighest",
                  u"a\u2016b;c\u00E9d",
                  false,
                  u";\u2016",
                  {u"a", u"b", u"c\u00E9d"},
                  {u"a", u"b", u"c\u00E9d"}}),
    [](const auto& c) { return std::string(c.param.name); });

class StringViewTokenizerTest : public ::testing::Test {
 protected:
  const CDelimiterSet m_semicolon{u";"};
};

TEST_F(StringViewTokenizerTest, CountInTheMiddleCountsWhatIsLeft) {
  CStringViewTokenizer tokenizer(u"a;b;;c", m_semicolon);
  EXPECT_EQ(tokenizer.NextToken(), u"a");
  EXPECT_EQ(tokenizer.CountTokens(), 2);
  EXPECT_EQ(tokenizer.NextToken(), u"b");
  EXPECT_EQ(tokenizer.CountTokens(), 1);
}

// The start cached by HasMoreTokens must not survive a change of delimiters, and the new set
// (also a separator set in separator mode) stays in force, even above every old delimiter.
TEST_F(StringViewTokenizerTest, NewDelimitersDiscardTheCachedStart) {
  const CDelimiterSet comma(u",");
  CStringViewTokenizer tokenizer(u"a;b,c", m_semicolon);
  EXPECT_EQ(tokenizer.NextToken(), u"a");
  EXPECT_TRUE(tokenizer.HasMoreTokens());  // finds the start of b
  EXPECT_EQ(tokenizer.NextTokenWithDelimiters(comma), u";b");
  EXPECT_EQ(tokenizer.NextToken(), u"c");
  const CDelimiterSet bar(u"|");
  for (const bool separated : {false, true}) {
    CStringViewTokenizer other(u"x;a|b|c", m_semicolon);
    EXPECT_EQ(other.NextToken(), u"x");
    EXPECT_EQ(separated ? other.NextSeparatedTokenWith(bar) : other.NextTokenWithDelimiters(bar),
              u";a");
    EXPECT_EQ(other.NextToken(), u"b");
    EXPECT_EQ(other.CountTokens(), 1);
  }
}

TEST_F(StringViewTokenizerTest, FieldsUseTheStartFoundByHasMoreTokens) {
  CStringViewTokenizer tokenizer(u";;a;b", m_semicolon);
  EXPECT_TRUE(tokenizer.HasMoreTokens());
  EXPECT_EQ(tokenizer.NextField(), u"a");
  EXPECT_EQ(tokenizer.NextField(), u"b");
}

TEST_F(StringViewTokenizerTest, RemainingTextKeepsInnerDelimiters) {
  CStringViewTokenizer tokenizer(u"a;;b;c;", m_semicolon);
  EXPECT_EQ(tokenizer.NextToken(), u"a");
  EXPECT_EQ(tokenizer.RemainingText(), u"b;c;");
  EXPECT_EQ(tokenizer.RemainingText(), u"");
  EXPECT_EQ(tokenizer.NextToken(), u"");
  CStringViewTokenizer onlyDelimiters(u";;", m_semicolon);
  EXPECT_EQ(onlyDelimiters.RemainingText(), u"");
}

// Over a small alphabet, fields joined by the delimiter give the text back (less a final
// delimiter), and tokens are exactly the non-empty fields.
TEST_F(StringViewTokenizerTest, FieldsAndTokensAgreeOnRandomTexts) {
  std::mt19937 random(4242);
  for (int round = 0; round < 500; ++round) {
    WString text;
    for (std::size_t i = random() % 12; i > 0; --i) text += WString(u"ab;")[random() % 3];
    CStringViewTokenizer fieldReader(text, m_semicolon);
    Pieces nonEmpty;
    WString joined;
    for (bool first = true; fieldReader.HasMoreFields(); first = false) {
      const WStringView field = fieldReader.NextField();
      joined += (first ? WString() : WString(u";")) + WString(field);
      if (!field.empty()) nonEmpty.emplace_back(field);
    }
    const WString expectedJoin =
        (!text.empty() && text.back() == u';') ? text.substr(0, text.size() - 1) : text;
    EXPECT_EQ(joined, expectedJoin);
    CStringViewTokenizer tokenReader(text, m_semicolon);
    EXPECT_EQ(tokenReader.CountTokens(), static_cast<std::int32_t>(nonEmpty.size()));
    Pieces tokens;
    while (tokenReader.HasMoreTokens()) tokens.emplace_back(tokenReader.NextToken());
    EXPECT_EQ(tokens, nonEmpty);
  }
}

struct SeparatorCase {
  const char* name;
  WString text;
  WString separator;
  Pieces tokens;
};

class SeparatorTest : public ::testing::TestWithParam<SeparatorCase> {};

// The count before every read equals the number of reads still to come.
TEST_P(SeparatorTest, CountAndReadsAgree) {
  const CDelimiterSet separator(GetParam().separator);
  CStringViewTokenizer tokenizer(GetParam().text, separator);
  Pieces tokens;
  for (;;) {
    const auto left = static_cast<std::size_t>(tokenizer.CountSeparatedTokens());
    ASSERT_EQ(left, GetParam().tokens.size() - tokens.size());
    if (!tokenizer.HasMoreSeparatedTokens()) break;
    tokens.emplace_back(tokenizer.NextSeparatedToken());
  }
  EXPECT_EQ(tokens, GetParam().tokens);
  EXPECT_EQ(tokenizer.NextSeparatedToken(), u"");
}

INSTANTIATE_TEST_SUITE_P(All, SeparatorTest,
                         ::testing::Values(
                             SeparatorCase{
                                 "RunsOfSeparators", u"::a::b:::c::", u"::", {u"a", u"b", u":c"}},
                             SeparatorCase{"NoSeparatorInText", u"abc", u"::", {u"abc"}},
                             SeparatorCase{"EmptySeparator", u"a;b", u"", {u"a;b"}},
                             SeparatorCase{"TextIsTheSeparator", u"abab", u"ab", {}},
                             SeparatorCase{"EmptyText", u"", u";", {}},
                             SeparatorCase{"SingleCharacter", u"a;;b", u";", {u"a", u"b"}},
                             SeparatorCase{"PartialSeparatorAtEnd", u"a->b-", u"->", {u"a", u"b-"}},
                             SeparatorCase{"OverlappingSeparator", u"xaaay", u"aa", {u"x", u"ay"}}),
                         [](const auto& c) { return std::string(c.param.name); });

TEST(StringViewTokenizerSeparatorTest, NewSeparatorStaysInForceAndRemainingText) {
  const CDelimiterSet dashes(u"--");
  const CDelimiterSet equals(u"==");
  CStringViewTokenizer tokenizer(u"a--b==c==d", dashes);
  EXPECT_EQ(tokenizer.NextSeparatedToken(), u"a");
  EXPECT_TRUE(tokenizer.HasMoreSeparatedTokens());
  EXPECT_EQ(tokenizer.NextSeparatedTokenWith(equals), u"--b");
  EXPECT_EQ(tokenizer.NextSeparatedToken(), u"c");
  EXPECT_EQ(tokenizer.CountSeparatedTokens(), 1);
  const CDelimiterSet colons(u"::");
  CStringViewTokenizer rest(u"a::::b::c", colons);
  EXPECT_EQ(rest.NextSeparatedToken(), u"a");
  EXPECT_EQ(rest.RemainingSeparatedText(), u"b::c");
  EXPECT_EQ(rest.RemainingSeparatedText(), u"");
  EXPECT_FALSE(rest.HasMoreSeparatedTokens());
}

}  // namespace
}  // namespace tavi
