#include "text/string_tokenizer.h"

#include <gtest/gtest.h>

namespace tavi {
namespace {

// The splitting itself is tested on CStringViewTokenizer; these check that every operation reaches
// its own counterpart and that the tokenizer keeps what it reads from alive by itself.

TEST(StringTokenizerTest, DelimiterReadsOnTextsThatNoLongerExist) {
  CStringTokenizer tokenizer(WString(u";a;;b,c;d"), 0, WString(u";"));
  EXPECT_EQ(tokenizer.CountTokens(), 3);
  EXPECT_TRUE(tokenizer.HasMoreFields());
  EXPECT_EQ(tokenizer.NextField(), u"");
  EXPECT_EQ(tokenizer.NextField(), u"a");
  EXPECT_EQ(tokenizer.NextField(), u"");
  EXPECT_TRUE(tokenizer.HasMoreTokens());
  EXPECT_EQ(tokenizer.NextTokenWithDelimiters(WString(u",")), u"b");
  EXPECT_EQ(tokenizer.RemainingText(), u"c;d");
  EXPECT_EQ(tokenizer.NextToken(), u"");
  EXPECT_FALSE(tokenizer.HasMoreTokens());
  EXPECT_EQ(tokenizer.CountTokens(), 0);
}

TEST(StringTokenizerTest, ReturnsDelimitersWhenAsked) {
  CStringTokenizer tokenizer(u"a,,b", 1, u",");
  EXPECT_EQ(tokenizer.CountTokens(), 4);
  EXPECT_EQ(tokenizer.NextToken(), u"a");
  EXPECT_EQ(tokenizer.NextToken(), u",");
  EXPECT_EQ(tokenizer.NextToken(), u",");
  EXPECT_EQ(tokenizer.NextToken(), u"b");
}

TEST(StringTokenizerTest, SeparatorReadsOnTextsThatNoLongerExist) {
  CStringTokenizer tokenizer(WString(u"x::y--z--"), 0, WString(u"::"));
  EXPECT_EQ(tokenizer.CountSeparatedTokens(), 2);
  EXPECT_TRUE(tokenizer.HasMoreSeparatedTokens());
  EXPECT_EQ(tokenizer.NextSeparatedToken(), u"x");
  EXPECT_EQ(tokenizer.NextSeparatedTokenWith(WString(u"--")), u"::y");
  EXPECT_EQ(tokenizer.RemainingSeparatedText(), u"z--");
  EXPECT_FALSE(tokenizer.HasMoreSeparatedTokens());
  EXPECT_EQ(tokenizer.NextSeparatedToken(), u"");
  EXPECT_EQ(tokenizer.CountSeparatedTokens(), 0);
}

}  // namespace
}  // namespace tavi
