#include "model/archive_string.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model_test_files.h"

namespace tavi::test {
namespace {

constexpr char16_t kTooLong[] = u"ERROR : Save String: char size > MAX_BYTES";

Bytes Saved(const WString& text, std::int32_t mode, const SSaveStringOptions& options = {}) {
  return WrittenBytes([&](CFile& file) { SaveString(text, SArchive{&file, mode}, options); });
}

struct SEncodingCase {
  const char* label;
  WString text;
  std::int32_t mode;
  Bytes expected;
};

class SaveStringBytes : public testing::TestWithParam<SEncodingCase> {};

TEST_P(SaveStringBytes, WritesHeaderAndPayload) {
  CMessageRecorder messages;
  EXPECT_EQ(Hex(Saved(GetParam().text, GetParam().mode)), Hex(GetParam().expected));
  EXPECT_TRUE(messages.texts.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, SaveStringBytes,
    testing::Values(
        SEncodingCase{"EmptyUtf8", u"", ARCHIVE_MODE_UTF8, {0x00, 0x00, 0x00, 0x80}},
        SEncodingCase{"Empty8Bit", u"", ARCHIVE_MODE_8BIT, {0x00, 0x00, 0x00, 0x40}},
        SEncodingCase{"EmptyUtf16", u"", ARCHIVE_MODE_UTF16, {0x00, 0x00, 0x00, 0xC0}},
        SEncodingCase{
            "AbcUtf8", u"abc", ARCHIVE_MODE_UTF8, {0x03, 0x00, 0x00, 0x80, 0x61, 0x62, 0x63}},
        SEncodingCase{
            "Abc8Bit", u"abc", ARCHIVE_MODE_8BIT, {0x03, 0x00, 0x00, 0x40, 0x61, 0x62, 0x63}},
        SEncodingCase{"AbcUtf16",
                      u"abc",
                      ARCHIVE_MODE_UTF16,
                      {0x06, 0x00, 0x00, 0xC0, 0x61, 0x00, 0x62, 0x00, 0x63, 0x00}},
        // The length counts bytes, not characters.
        SEncodingCase{
            "AcuteUtf8", u"\u00E9", ARCHIVE_MODE_UTF8, {0x02, 0x00, 0x00, 0x80, 0xC3, 0xA9}},
        SEncodingCase{
            "AcuteUtf16", u"\u00E9", ARCHIVE_MODE_UTF16, {0x02, 0x00, 0x00, 0xC0, 0xE9, 0x00}},
        SEncodingCase{"SurrogatePairUtf8",
                      u"\U0001F600",
                      ARCHIVE_MODE_UTF8,
                      {0x04, 0x00, 0x00, 0x80, 0xF0, 0x9F, 0x98, 0x80}},
        // An unpaired surrogate has no UTF-8 form of its own: it is stored as U+FFFD.
        SEncodingCase{"UnpairedSurrogateUtf8",
                      WString(1, u'\xD800') + u"a",
                      ARCHIVE_MODE_UTF8,
                      {0x04, 0x00, 0x00, 0x80, 0xEF, 0xBF, 0xBD, 0x61}},
        // One byte per unit as the header says; what is not ASCII becomes '?'.
        SEncodingCase{"NonAscii8Bit",
                      u"\u00E9a\u4E2D",
                      ARCHIVE_MODE_8BIT,
                      {0x03, 0x00, 0x00, 0x40, 0x3F, 0x61, 0x3F}},
        // 300 units: the length uses more than the lowest header byte.
        SEncodingCase{"LengthAcrossBytes", WString(300, u'x'), ARCHIVE_MODE_8BIT,
                      Concat({{0x2C, 0x01, 0x00, 0x40}, Bytes(300, 0x78)})}),
    CaseLabel());

TEST(SaveString, ReturnsThePositionItStartedAt) {
  std::vector<std::int32_t> starts;
  const Bytes bytes = WrittenBytes([&](CFile& file) {
    file.Write("12345", 5);
    starts.push_back(SaveString(u"ab", SArchive{&file, ARCHIVE_MODE_UTF8}));
    starts.push_back(SaveString(u"", SArchive{&file, ARCHIVE_MODE_UTF8}));
  });
  EXPECT_EQ(starts, (std::vector<std::int32_t>{5, 11}));
  EXPECT_EQ(bytes.size(), 15u);
}

TEST(SaveString, InvalidModeWritesNothingAndReports) {
  CMessageRecorder messages;
  std::int32_t start = -1;
  const Bytes bytes = WrittenBytes([&](CFile& file) {
    file.Write("xyz", 3);
    start = SaveString(u"abc", SArchive{&file, 1500});
  });
  EXPECT_EQ(Hex(bytes), "78 79 7A");
  EXPECT_EQ(start, 3);
  EXPECT_EQ(messages.texts, std::vector<WString>{u"ERROR : Save String: Invalid archive mode!"});
}

bool FailingEncoder(WStringView, std::string&) {
  return false;
}

TEST(SaveString, UntranslatableTextIsReportedAndSavedEmpty) {
  CMessageRecorder messages;
  SSaveStringOptions options;
  options.encodeUtf8 = FailingEncoder;
  EXPECT_EQ(Hex(Saved(u"abc", ARCHIVE_MODE_UTF8, options)), "00 00 00 80");
  EXPECT_EQ(messages.texts,
            std::vector<WString>{u"ERROR : Save String: Multibyte conversion failed!"});
}

struct STooLongCase {
  const char* label;
  WString text;
  std::int32_t mode;
  std::uint32_t maxBytes;
  Bytes expected;  // the header alone, so that the record keeps its layout
};

class SaveStringTooLong : public testing::TestWithParam<STooLongCase> {};

TEST_P(SaveStringTooLong, ReportsAndWritesAnEmptyString) {
  CMessageRecorder messages;
  SSaveStringOptions options;
  options.maxBytes = GetParam().maxBytes;
  EXPECT_EQ(Hex(Saved(GetParam().text, GetParam().mode, options)), Hex(GetParam().expected));
  EXPECT_EQ(messages.texts, std::vector<WString>{kTooLong});
}

INSTANTIATE_TEST_SUITE_P(
    Limits, SaveStringTooLong,
    testing::Values(
        STooLongCase{"UnitsUtf8", u"abc", ARCHIVE_MODE_UTF8, 2, {0x00, 0x00, 0x00, 0x80}},
        STooLongCase{"Units8Bit", u"abc", ARCHIVE_MODE_8BIT, 2, {0x00, 0x00, 0x00, 0x40}},
        STooLongCase{"UnitsUtf16", u"abc", ARCHIVE_MODE_UTF16, 2, {0x00, 0x00, 0x00, 0xC0}},
        // Two units fit, their four UTF-8 bytes do not.
        STooLongCase{
            "EncodedUtf8", u"\u00E9\u00E9", ARCHIVE_MODE_UTF8, 3, {0x00, 0x00, 0x00, 0x80}},
        // Three units fit, their six UTF-16 bytes do not.
        STooLongCase{"BytesUtf16", u"abc", ARCHIVE_MODE_UTF16, 5, {0x00, 0x00, 0x00, 0xC0}},
        // No encoding to write an empty string in.
        STooLongCase{"InvalidMode", u"abc", 1500, 2, {}}),
    CaseLabel());

TEST(SaveString, TextAtTheLimitIsSaved) {
  CMessageRecorder messages;
  SSaveStringOptions options;
  options.maxBytes = 4;
  EXPECT_EQ(Hex(Saved(u"\u00E9\u00E9", ARCHIVE_MODE_UTF8, options)), "04 00 00 80 C3 A9 C3 A9");
  EXPECT_TRUE(messages.texts.empty());
}

struct SLoaded {
  WString text;
  bool complete;
};

SLoaded Loaded(CFile& file) {
  SLoaded loaded;
  loaded.complete = LoadSavedString(file, loaded.text);
  return loaded;
}

struct SLoadCase {
  const char* label;
  Bytes bytes;
  WString expected;
  std::uint64_t endPosition;
  bool complete;
};

class LoadSavedStringBytes : public testing::TestWithParam<SLoadCase> {};

TEST_P(LoadSavedStringBytes, DecodesAndStopsBehindThePayload) {
  CBytesFile input(GetParam().bytes);
  const SLoaded loaded = Loaded(input.file());
  EXPECT_EQ(loaded.text, GetParam().expected);
  EXPECT_EQ(loaded.complete, GetParam().complete);
  EXPECT_EQ(input.file().GetPosition(), GetParam().endPosition);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, LoadSavedStringBytes,
    testing::Values(
        SLoadCase{"Utf8", {0x02, 0x00, 0x00, 0x80, 0xC3, 0xA9, 0x61}, u"\u00E9", 6, true},
        SLoadCase{"Utf16", {0x04, 0x00, 0x00, 0xC0, 0x61, 0x00, 0x2D, 0x4E}, u"a\u4E2D", 8, true},
        SLoadCase{"EightBit", {0x02, 0x00, 0x00, 0x40, 0x68, 0x69, 0x00}, u"hi", 6, true},
        SLoadCase{"EmptyReadsNothingMore", {0x00, 0x00, 0x00, 0x80, 0x61}, u"", 4, true},
        // A tag that is never written: its length is skipped all the same.
        SLoadCase{
            "TagZeroSkipsItsLength", {0x02, 0x00, 0x00, 0x00, 0x61, 0x62, 0x63}, u"", 6, true},
        SLoadCase{"TagZeroBeyondTheEnd", {0x09, 0x00, 0x00, 0x00, 0x61}, u"", 5, false},
        // Every byte the header promised arrived; only the decoding drops the half unit.
        SLoadCase{"OddUtf16LengthDropsTheHalfUnit",
                  {0x03, 0x00, 0x00, 0xC0, 0x61, 0x00, 0x62},
                  u"a",
                  7,
                  true},
        SLoadCase{"ShortHeader", {0x03, 0x00, 0x00}, u"", 3, false},
        SLoadCase{"ShortPayload", {0x05, 0x00, 0x00, 0x80, 0x61, 0x62}, u"ab", 6, false},
        // The largest length in a 10-byte file: only the six bytes there are read.
        SLoadCase{"HugeLength",
                  {0xFF, 0xFF, 0xFF, 0xBF, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66},
                  u"abcdef",
                  10,
                  false},
        SLoadCase{"HugeUtf16Length", {0xFF, 0xFF, 0xFF, 0xFF, 0x61, 0x00, 0x62}, u"a", 7, false},
        SLoadCase{"InvalidUtf8", {0x02, 0x00, 0x00, 0x80, 0xC3, 0x41}, u"\uFFFDA", 6, true}),
    CaseLabel());

TEST(LoadSavedString, ReadsBackWhatWasSavedAndStopsAtTheNextField) {
  const std::vector<WString> texts{u"", u"abc", u"\u00E9\u4E2D\U0001F600", WString(700, u'\u00E9'),
                                   WString(3000, u'z')};
  for (const std::int32_t mode : {ARCHIVE_MODE_UTF8, ARCHIVE_MODE_UTF16}) {
    const Bytes bytes = WrittenBytes([&](CFile& file) {
      for (const WString& text : texts) SaveString(text, SArchive{&file, mode});
    });
    CBytesFile input(bytes);
    for (const WString& text : texts) {
      const SLoaded loaded = Loaded(input.file());
      EXPECT_EQ(loaded.text, text) << mode;
      EXPECT_TRUE(loaded.complete) << mode;
    }
    EXPECT_EQ(input.file().GetPosition(), bytes.size());
  }
}

// A payload beyond the stack buffer is read into one sized by the bytes left.
TEST(LoadSavedString, LongPayloadCutShortKeepsWhatArrived) {
  Bytes bytes{0x58, 0x02, 0x00, 0x80};  // 600 bytes promised
  bytes.insert(bytes.end(), 599, 'x');
  CBytesFile input(bytes);
  const SLoaded loaded = Loaded(input.file());
  EXPECT_EQ(loaded.text, WString(599, u'x'));
  EXPECT_FALSE(loaded.complete);
  EXPECT_EQ(input.file().GetPosition(), bytes.size());
}

TEST(LoadSavedString, IntoAFieldReplacesItsText) {
  CCompactString field(u"old");
  CBytesFile whole({0x02, 0x00, 0x00, 0x80, 0xC3, 0xA9});
  EXPECT_TRUE(LoadSavedString(whole.file(), field));
  EXPECT_EQ(field.str(), u"\u00E9");

  CBytesFile cut({0x05, 0x00, 0x00, 0x80, 0x61});
  EXPECT_FALSE(LoadSavedString(cut.file(), field));
  EXPECT_EQ(field.str(), u"a");

  CBytesFile headerOnly({0x05, 0x00});
  EXPECT_FALSE(LoadSavedString(headerOnly.file(), field));
  EXPECT_TRUE(field.empty());
}

TEST(SkipSavedString, PassesOverThePayloadAndStopsAtTheEnd) {
  CBytesFile input({0x03, 0x00, 0x00, 0x80, 0x61, 0x62, 0x63, 0x01, 0x00, 0x00, 0x80, 0x7A});
  EXPECT_TRUE(SkipSavedString(input.file()));
  EXPECT_EQ(input.file().GetPosition(), 7u);
  EXPECT_EQ(Loaded(input.file()).text, u"z");
  CBytesFile damaged({0xFF, 0xFF, 0xFF, 0xBF, 0x61});
  EXPECT_FALSE(SkipSavedString(damaged.file()));
  EXPECT_EQ(damaged.file().GetPosition(), 5u);
}

TEST(LoadSavedString, EveryTruncationReadsOnlyWhatIsThere) {
  const Bytes whole{0x03, 0x00, 0x00, 0x80, 0x61, 0x62, 0x63};
  const std::vector<WString> expected{u"", u"", u"", u"", u"", u"a", u"ab", u"abc"};
  for (std::size_t size = 0; size <= whole.size(); ++size) {
    const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
    CBytesFile input(cut);
    const SLoaded loaded = Loaded(input.file());
    EXPECT_EQ(loaded.text, expected[size]) << size;
    EXPECT_EQ(loaded.complete, size == whole.size()) << size;
    EXPECT_EQ(input.file().GetPosition(), size);
    CBytesFile skipped(cut);
    EXPECT_EQ(SkipSavedString(skipped.file()), size == whole.size()) << size;
    EXPECT_EQ(skipped.file().GetPosition(), size);
  }
}

}  // namespace
}  // namespace tavi::test
