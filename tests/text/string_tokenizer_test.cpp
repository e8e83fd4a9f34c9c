#include "text/string_tokenizer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tavi {
namespace {

using Pieces = std::vector<WString>;

struct SplitCase {
  const char* name;
  WString text;
  int returnDelimiters;
  WString delimiters;
  Pieces tokens;
  Pieces fields;  // as read while HasMoreFields is true
};

std::string SplitCaseName(const ::testing::TestParamInfo<SplitCase>& param) {
  return param.param.name;
}

class SplitTest : public ::testing::TestWithParam<SplitCase> {
 protected:
  CStringTokenizer Make() const {
    return CStringTokenizer(GetParam().text, GetParam().returnDelimiters, GetParam().delimiters);
  }
};

TEST_P(SplitTest, CountMatchesTokens) {
  EXPECT_EQ(Make().CountTokens(), static_cast<std::int32_t>(GetParam().tokens.size()));
}

TEST_P(SplitTest, NextTokenThenEmptyStrings) {
  CStringTokenizer tokenizer = Make();
  Pieces tokens;
  for (std::size_t i = 0; i < GetParam().tokens.size(); ++i)
    tokens.push_back(tokenizer.NextToken());
  EXPECT_EQ(tokens, GetParam().tokens);
  EXPECT_EQ(tokenizer.NextToken(), u"");
  EXPECT_EQ(tokenizer.NextToken(), u"");
  EXPECT_FALSE(tokenizer.HasMoreTokens());
}

TEST_P(SplitTest, HasMoreTokensLoop) {
  CStringTokenizer tokenizer = Make();
  Pieces tokens;
  while (tokenizer.HasMoreTokens()) tokens.push_back(tokenizer.NextToken());
  EXPECT_EQ(tokens, GetParam().tokens);
}

TEST_P(SplitTest, FieldsKeepEmptyPieces) {
  CStringTokenizer tokenizer = Make();
  Pieces fields;
  while (tokenizer.HasMoreFields()) fields.push_back(tokenizer.NextField());
  EXPECT_EQ(fields, GetParam().fields);
  EXPECT_EQ(tokenizer.NextField(), u"");
}

INSTANTIATE_TEST_SUITE_P(
    All, SplitTest,
    ::testing::Values(
        SplitCase{"DoubleDelimiter", u"a;;b", 0, u";", {u"a", u"b"}, {u"a", u"", u"b"}},
        SplitCase{"DelimitersAround", u";a;", 0, u";", {u"a"}, {u"", u"a"}},
        SplitCase{
            "ReturnDelimiters", u"a,,b", 1, u",", {u"a", u",", u",", u"b"}, {u"a", u"", u"b"}},
        SplitCase{"ReturnLeadingAndTrailing", u";a;", 1, u";", {u";", u"a", u";"}, {u"", u"a"}},
        SplitCase{"NoDelimiters", u"a;b", 0, u"", {u"a;b"}, {u"a;b"}},
        SplitCase{"EmptyText", u"", 0, u";", {}, {}},
        SplitCase{"OnlyDelimiters", u";;;", 0, u";", {}, {u"", u"", u""}},
        SplitCase{"AnyOfTheSet", u"a|b;c", 0, u";|", {u"a", u"b", u"c"}, {u"a", u"b", u"c"}},
        SplitCase{"SpaceIsText", u"a; ;b", 0, u";", {u"a", u" ", u"b"}, {u"a", u" ", u"b"}},
        SplitCase{"Lines",
                  u"one\r\ntwo\nthree\r\n\r\n\nfour\r\n",
                  0,
                  u"\r\n",
                  {u"one", u"two", u"three", u"four"},
                  {u"one", u"", u"two", u"three", u"", u"", u"", u"", u"four", u""}},
        SplitCase{"BlankLinesOnly", u"\r\n\r\n", 0, u"\r\n", {}, {u"", u"", u"", u""}},
        SplitCase{"TextAboveTheHighestDelimiter",
                  u"\u00E9;\u4E2D",
                  0,
                  u";",
                  {u"\u00E9", u"\u4E2D"},
                  {u"\u00E9", u"\u4E2D"}},
        SplitCase{"NonAsciiDelimiter",
                  u"a\u00A7b\u00A7\u00A7c",
                  0,
                  u"\u00A7",
                  {u"a", u"b", u"c"},
                  {u"a", u"b", u"", u"c"}},
        // U+00E9 lies below the highest delimiter but is not in the set.
        SplitCase{"MixedSetWithTextBelowHighest",
                  u"a\u2016b;c\u00E9d",
                  0,
                  u";\u2016",
                  {u"a", u"b", u"c\u00E9d"},
                  {u"a", u"b", u"c\u00E9d"}}),
    SplitCaseName);

TEST(StringTokenizerTest, HasMoreTokensIsRepeatableAndDoesNotMove) {
  CStringTokenizer tokenizer(u";;a;b", 0, u";");
  EXPECT_TRUE(tokenizer.HasMoreTokens());
  EXPECT_TRUE(tokenizer.HasMoreTokens());
  EXPECT_EQ(tokenizer.CountTokens(), 2);
  EXPECT_EQ(tokenizer.NextToken(), u"a");
  EXPECT_EQ(tokenizer.NextToken(), u"b");
  EXPECT_FALSE(tokenizer.HasMoreTokens());
}

TEST(StringTokenizerTest, CountInTheMiddleCountsWhatIsLeft) {
  CStringTokenizer tokenizer(u"a;b;;c", 0, u";");
  EXPECT_EQ(tokenizer.NextToken(), u"a");
  EXPECT_EQ(tokenizer.CountTokens(), 2);
  EXPECT_EQ(tokenizer.NextToken(), u"b");
  EXPECT_EQ(tokenizer.CountTokens(), 1);
  EXPECT_EQ(tokenizer.NextToken(), u"c");
  EXPECT_EQ(tokenizer.CountTokens(), 0);
}

TEST(StringTokenizerTest, NewDelimitersDiscardTheCachedStart) {
  CStringTokenizer tokenizer(u"a;b,c", 0, u";");
  EXPECT_EQ(tokenizer.NextToken(), u"a");
  EXPECT_TRUE(tokenizer.HasMoreTokens());  // caches the start of b
  EXPECT_EQ(tokenizer.NextTokenWithDelimiters(u","), u";b");
  EXPECT_EQ(tokenizer.NextToken(), u"c");
}

TEST(StringTokenizerTest, NewDelimitersMayLieAboveTheOldOnes) {
  CStringTokenizer tokenizer(u"x;a|b|c", 0, u";");
  EXPECT_EQ(tokenizer.NextToken(), u"x");
  EXPECT_EQ(tokenizer.NextTokenWithDelimiters(u"|"), u";a");
  EXPECT_EQ(tokenizer.NextToken(), u"b");
  EXPECT_EQ(tokenizer.CountTokens(), 1);
}

TEST(StringTokenizerTest, FieldsUseTheStartFoundByHasMoreTokens) {
  CStringTokenizer tokenizer(u";;a;b", 0, u";");
  EXPECT_TRUE(tokenizer.HasMoreTokens());
  EXPECT_EQ(tokenizer.NextField(), u"a");
  EXPECT_EQ(tokenizer.NextField(), u"b");
}

TEST(StringTokenizerTest, FieldsAfterTheLastOneAreEmpty) {
  CStringTokenizer tokenizer(u"1;2;name", 0, u";|");
  EXPECT_EQ(tokenizer.CountTokens(), 3);
  Pieces fields;
  for (int i = 0; i < 10; ++i) fields.push_back(tokenizer.NextField());
  EXPECT_EQ(fields, (Pieces{u"1", u"2", u"name", u"", u"", u"", u"", u"", u"", u""}));
}

TEST(StringTokenizerTest, RemainingTextKeepsInnerDelimiters) {
  CStringTokenizer tokenizer(u"a;;b;c;", 0, u";");
  EXPECT_EQ(tokenizer.NextToken(), u"a");
  EXPECT_EQ(tokenizer.RemainingText(), u"b;c;");
  EXPECT_EQ(tokenizer.RemainingText(), u"");
  EXPECT_EQ(tokenizer.NextToken(), u"");
  CStringTokenizer onlyDelimiters(u";;", 0, u";");
  EXPECT_EQ(onlyDelimiters.RemainingText(), u"");
}

// For any text over a small alphabet, fields joined by the delimiter give the text back (less a
// final delimiter), and tokens are exactly the non-empty fields.
TEST(StringTokenizerTest, FieldsAndTokensAgreeOnRandomTexts) {
  std::mt19937 random(4242);
  const WString alphabet = u"ab;";
  for (int round = 0; round < 500; ++round) {
    WString text;
    const std::size_t length = random() % 12;
    for (std::size_t i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
    CStringTokenizer fieldReader(text, 0, u";");
    Pieces nonEmpty;
    WString joined;
    bool first = true;
    while (fieldReader.HasMoreFields()) {
      const WString field = fieldReader.NextField();
      joined += (first ? u"" : u";") + field;
      first = false;
      if (!field.empty()) nonEmpty.push_back(field);
    }
    const WString expectedJoin =
        (!text.empty() && text.back() == u';') ? text.substr(0, text.size() - 1) : text;
    EXPECT_EQ(joined, expectedJoin);
    CStringTokenizer tokenReader(text, 0, u";");
    EXPECT_EQ(tokenReader.CountTokens(), static_cast<std::int32_t>(nonEmpty.size()));
    Pieces tokens;
    while (tokenReader.HasMoreTokens()) tokens.push_back(tokenReader.NextToken());
    EXPECT_EQ(tokens, nonEmpty);
  }
}

struct SeparatorCase {
  const char* name;
  WString text;
  WString separator;
  Pieces tokens;
};

std::string SeparatorCaseName(const ::testing::TestParamInfo<SeparatorCase>& param) {
  return param.param.name;
}

class SeparatorTest : public ::testing::TestWithParam<SeparatorCase> {};

// The count before every read equals the number of reads still to come.
TEST_P(SeparatorTest, CountAndReadsAgree) {
  CStringTokenizer tokenizer(GetParam().text, 0, GetParam().separator);
  Pieces tokens;
  for (;;) {
    const auto left = static_cast<std::size_t>(tokenizer.CountSeparatedTokens());
    ASSERT_EQ(left, GetParam().tokens.size() - tokens.size());
    if (!tokenizer.HasMoreSeparatedTokens()) break;
    tokens.push_back(tokenizer.NextSeparatedToken());
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
                         SeparatorCaseName);

TEST(StringTokenizerSeparatorTest, NewSeparatorStaysInForce) {
  CStringTokenizer tokenizer(u"a--b==c==d", 0, u"--");
  EXPECT_EQ(tokenizer.NextSeparatedToken(), u"a");
  EXPECT_TRUE(tokenizer.HasMoreSeparatedTokens());
  EXPECT_EQ(tokenizer.NextSeparatedTokenWith(u"=="), u"--b");
  EXPECT_EQ(tokenizer.NextSeparatedToken(), u"c");
  EXPECT_EQ(tokenizer.CountSeparatedTokens(), 1);
}

TEST(StringTokenizerSeparatorTest, RemainingTextFromTheNextToken) {
  CStringTokenizer tokenizer(u"a::::b::c", 0, u"::");
  EXPECT_EQ(tokenizer.NextSeparatedToken(), u"a");
  EXPECT_EQ(tokenizer.RemainingSeparatedText(), u"b::c");
  EXPECT_EQ(tokenizer.RemainingSeparatedText(), u"");
  EXPECT_FALSE(tokenizer.HasMoreSeparatedTokens());
}

}  // namespace
}  // namespace tavi
