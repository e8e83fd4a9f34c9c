#include "text/string_view_tokenizer.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "text/string_tokenizer.h"

namespace tavi {
namespace {

using Views = std::vector<WStringView>;

TEST(DelimiterSetTest, ContainsExactlyItsUnits) {
  const CDelimiterSet set(u";|\u00A7");
  for (const WChar c : {u';', u'|', u'\u00A7'}) EXPECT_TRUE(set.Contains(c)) << int{c};
  for (const WChar c : {u'a', u',', u'\0', u'\u00A6', u'\u00A8', u'\uFFFF', u'\u013B'}) {
    EXPECT_FALSE(set.Contains(c)) << int{c};
  }
}

TEST(DelimiterSetTest, EmptySetHoldsNothing) {
  const CDelimiterSet set(u"");
  for (const WChar c : {u'\0', u';', u'\u00E9', u'\uFFFF'}) EXPECT_FALSE(set.Contains(c));
}

TEST(StringViewTokenizerTest, TokensSkipDelimiterRunsAndFieldsKeepThem) {
  const CDelimiterSet semicolon(u";");
  CStringViewTokenizer tokens(u"a;;b", semicolon);
  EXPECT_EQ((Views{tokens.NextToken(), tokens.NextToken(), tokens.NextToken()}),
            (Views{u"a", u"b", u""}));
  CStringViewTokenizer fields(u";a;", semicolon);
  EXPECT_EQ((Views{fields.NextField(), fields.NextField(), fields.NextField()}),
            (Views{u"", u"a", u""}));
}

TEST(StringViewTokenizerTest, HasTokensStopsAtTheCountAsked) {
  const CDelimiterSet semicolon(u";");
  const CStringViewTokenizer tokenizer(u";1;;2;x;", semicolon);
  EXPECT_TRUE(tokenizer.HasTokens(0));
  EXPECT_TRUE(tokenizer.HasTokens(3));
  EXPECT_FALSE(tokenizer.HasTokens(4));
}

TEST(StringViewTokenizerTest, PiecesAreViewsIntoTheText) {
  const WString text = u"one\r\ntwo";
  const CDelimiterSet lines(u"\r\n");
  CStringViewTokenizer tokenizer(text, lines);
  EXPECT_EQ(tokenizer.NextToken().data(), text.data());
  EXPECT_EQ(tokenizer.NextToken().data(), text.data() + 5);
}

// Random texts over delimiters and other characters, read by random sequences of the four
// operations, give what CStringTokenizer gives at every step.
TEST(StringViewTokenizerTest, ReadsLikeStringTokenizerOnRandomTexts) {
  const WString alphabet = u";|\r\n,a\u00A7\u00E9\u3000";
  const std::vector<WString> sets = {u"",  u";|",     u"\r\n",    u";",  u"|",
                                     u",", u"\u00A7", u"\u3000;", u"a\r"};
  std::mt19937 random(20260101);
  for (int round = 0; round < 20000; ++round) {
    WString text(random() % 14, u' ');
    for (WChar& c : text) c = alphabet[random() % alphabet.size()];
    const WString& delimiters = sets[random() % sets.size()];
    CStringTokenizer expected(text, 0, delimiters);
    const CDelimiterSet set(delimiters);
    CStringViewTokenizer actual(text, set);
    for (int step = 0; step < 12; ++step) {
      const std::size_t count = static_cast<std::size_t>(expected.CountTokens());
      ASSERT_TRUE(actual.HasTokens(count));
      ASSERT_FALSE(actual.HasTokens(count + 1));
      switch (random() % 3) {
        case 0:
          ASSERT_EQ(actual.HasMoreTokens(), expected.HasMoreTokens());
          break;
        case 1:
          ASSERT_EQ(actual.NextToken(), expected.NextToken());
          break;
        default:
          ASSERT_EQ(actual.NextField(), expected.NextField());
          break;
      }
    }
  }
}

}  // namespace
}  // namespace tavi
