#include <gtest/gtest.h>
#include <iconv.h>
#include <sys/stat.h>

#include <cerrno>
#include <random>
#include <thread>

#include "platform/code_page.h"
#include "platform/convertor_messages.h"
#include "platform/file.h"
#include "support/test_support.h"

namespace tavi {
namespace {

using namespace std::string_view_literals;

// Each maximal subpart of an ill-formed sequence becomes one U+FFFD; decoding goes on at the
// first byte that did not fit. Unpaired surrogates have no UTF-8 form and become U+FFFD too.
TEST(CodePage, Utf8BothWays) {
  const std::pair<std::string_view, WString> decoded[] = {
      {"a\0\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"sv, WString(u"a\0\u00E9\u20AC\U0001F600", 6)},
      {"\xC0\x80\xC1\xBF\x80\xF5\x80"sv, WString(7, u'\uFFFD')},    // overlong, stray, no lead
      {"\xE0\x9F\xBF\xF0\x8F\xBF\xBF"sv, WString(7, u'\uFFFD')},    // overlong
      {"\xED\xA0\x80\xED\x9F\xBF"sv, u"\uFFFD\uFFFD\uFFFD\uD7FF"},  // a surrogate, the last before
      {"\xF4\x90\x80\x80\xF4\x8F\xBF\xBF"sv, u"\uFFFD\uFFFD\uFFFD\uFFFD\U0010FFFF"},
      {"\xE2\x82\x41\xF0\x9F\xE2\x82\xAC\xC3"sv, u"\uFFFDA\uFFFD\u20AC\uFFFD"},  // cut short
      {"\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64"sv,
       u"a\uFFFD\uFFFD\uFFFDb\uFFFDc\uFFFD\uFFFDd"}};
  for (const auto& [bytes, text] : decoded) EXPECT_EQ(Utf8ToWide(bytes), text) << bytes;
  const std::pair<WString, std::string_view> encoded[] = {
      {WString(u"\0\u0080\u07FF\u0800\uFFFF", 5), "\0\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"sv},
      {WString{0xDBFF, 0xDFFF, 0xD800, 0xE000}, "\xF4\x8F\xBF\xBF\xEF\xBF\xBD\xEE\x80\x80"sv},
      {WString{0xDC00, 0xD800, 0xD800, 0xDC00}, "\xEF\xBF\xBD\xEF\xBF\xBD\xF0\x90\x80\x80"sv}};
  for (const auto& [text, bytes] : encoded) {
    EXPECT_EQ(WideToUtf8(text), bytes);
    EXPECT_EQ(Utf8Length(text), bytes.size());
  }
  WString all;  // every code point survives the trip to UTF-8 and back
  for (char32_t code = 1; code <= 0x10FFFF; ++code) {
    if (code < 0x10000 && (code < 0xD800 || code > 0xDFFF)) all += static_cast<WChar>(code);
    if (code >= 0x10000)
      all +=
          {static_cast<WChar>(0xD7C0 + (code >> 10)), static_cast<WChar>(0xDC00 + (code & 0x3FF))};
  }
  EXPECT_EQ(Utf8ToWide(WideToUtf8(all)), all);
  // Windows-1252 keeps its five undefined bytes as the C1 controls of the same number.
  EXPECT_EQ(MultiByteToWide(CP_ACP, "\x80\x81\x8D\x8F\x90\x9D\x9F\xA0\xE9"sv),
            u"\u20AC\u0081\u008D\u008F\u0090\u009D\u0178\u00A0\u00E9");
}

// Every byte Windows-1252 defines reads as the C library's converter reads it, through the UTF-16
// path and the direct UTF-8 path alike.
TEST(CodePage, AnsiAgreesWithIconv) {
  const iconv_t toUtf8 = iconv_open("UTF-8", "CP1252");
  ASSERT_NE(toUtf8, reinterpret_cast<iconv_t>(-1));
  for (int value = 0x01; value <= 0xFF; ++value) {
    char byte = static_cast<char>(value), expected[8] = {};
    char *in = &byte, *out = expected;
    std::size_t inLeft = 1, outLeft = sizeof expected;
    if (iconv(toUtf8, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) continue;
    const std::string_view utf8(expected, static_cast<std::size_t>(out - expected));
    char direct[8] = {};
    const std::string_view one(&byte, 1);
    EXPECT_EQ(WideToUtf8(AnsiToWide(one)), utf8) << "byte " << value;
    EXPECT_EQ(AnsiUtf8Length(one), utf8.size()) << "byte " << value;
    EXPECT_EQ(std::string_view(direct, WriteAnsiAsUtf8(one, direct)), utf8) << "byte " << value;
  }
  iconv_close(toUtf8);
}

// Stands in for a window that takes the posted lines on a thread of its own.
struct CPostCounter : IMessageTarget {
  CPostCounter() { g_hMainWnd.store(this); }
  ~CPostCounter() override { g_hMainWnd.store(nullptr); }
  void Post(std::uint32_t message, std::uintptr_t, std::intptr_t) override {
    posted += message == WM_CONVERTOR_LOG ? 1 : 0;
  }
  std::atomic<int> posted{0};
};

// Two writers post while the window takes lines: nothing is lost, each writer's lines keep their
// order, and a message is posted only for a line that finds no other waiting.
TEST(LogLines, TwoWritersLoseNothingAndKeepTheirOrder) {
  CPostCounter window;
  std::atomic<int> finished{0};
  const auto write = [&finished](char16_t writer) {
    for (int i = 0; i < 3000; ++i) PostLogLine(WString{writer, static_cast<WChar>(i)});
    ++finished;
  };
  std::thread first(write, u'a'), second(write, u'b');
  std::vector<WString> lines;
  for (WString line;;) {
    const bool both = finished == 2;  // read first: no line can arrive after it
    if (TakeLogLine(line)) {
      lines.push_back(line);
    } else if (both) {
      break;
    }
  }
  first.join();
  second.join();
  EXPECT_GE(window.posted, 1);
  EXPECT_LE(window.posted, 6000);
  int next[2] = {0, 0};
  for (const WString& line : lines) EXPECT_EQ(line[1], next[line[0] - u'a']++);
  EXPECT_EQ(next[0] + next[1], 6000);
}

TEST(LogLines, WithoutAWindowNothingWaitsAndProgressOnlyWhenItChanges) {
  PostLogLine(u"nobody takes it");  // dropped again, or lines would pile up for nobody
  WString line;
  EXPECT_FALSE(TakeLogLine(line));
  test::CRecordingWindow window;
  for (const std::int32_t percent : {0, 0, 30, 31, 31, 100, 0}) PostProgress(percent);
  EXPECT_EQ(window.percents, (std::vector<std::int32_t>{0, 30, 31, 100, 0}));
}

// Random seeks, writes and reads leave exactly what a copy in memory holds. Sizes straddle the
// file's buffer, so that writes inside, across and beyond it and reads of unwritten bytes occur.
TEST(File, RandomWorkMatchesAModel) {
  test::TempFolder folder;
  std::mt19937 random(12345);
  const auto below = [&random](std::size_t bound) { return std::size_t{random()} % bound; };
  test::Bytes model;
  CFile file;
  ASSERT_TRUE(file.Open(folder.File("a"), CFile::modeCreate | CFile::modeWrite));
  std::uint64_t at = 0;
  for (int step = 0; step < 600; ++step) {
    const std::size_t kind = below(10);
    if (kind < 3) {
      at = below(model.size() + 1000);
      ASSERT_EQ(file.Seek(static_cast<std::int64_t>(at), CFile::begin), at);
    } else if (kind < 8) {
      test::Bytes data(below(15) == 0 ? 200000 + below(200000) : below(64));
      for (auto& byte : data) byte = static_cast<std::uint8_t>(random());
      file.Write(data.data(), data.size());
      model.resize(std::max<std::size_t>(model.size(), at + data.size()));
      std::copy(data.begin(), data.end(), model.begin() + static_cast<long>(at));
      at += data.size();
    } else {
      const std::size_t want = below(kind == 8 ? 100 : 300000);
      test::Bytes back(want);
      back.resize(file.Read(back.data(), want));
      ASSERT_EQ(back.size(),
                std::min(want, model.size() - std::min<std::size_t>(at, model.size())));
      ASSERT_TRUE(std::equal(back.begin(), back.end(), model.begin() + static_cast<long>(at)));
      at += back.size();
    }
    ASSERT_EQ(file.GetPosition(), at) << step;
    ASSERT_EQ(file.GetLength(), model.size()) << step;
  }
  EXPECT_EQ(file.Seek(-static_cast<std::int64_t>(at) - 5, CFile::current), 0u);
  file.Close();
  EXPECT_EQ(test::ReadBytes(folder.Path() / "a"), model);
}

TEST(File, WhatCannotBeOpenedOrWritten) {
  test::TempFolder folder;
  CFile file;
  EXPECT_FALSE(file.Open(folder.File("none/a"), CFile::modeCreate | CFile::modeWrite));
  EXPECT_FALSE(file.Open(folder.File("none"), CFile::modeRead));
  EXPECT_FALSE(file.Open(folder.File(""), CFile::modeRead));  // a folder
  ASSERT_EQ(::mkfifo((folder.Path() / "pipe.csv").c_str(), 0600), 0);
  EXPECT_FALSE(file.Open(folder.File("pipe.csv"), CFile::modeRead));  // at once, not when written
  const std::uint8_t byte = 7;
  EXPECT_THROW(file.Write(&byte, 1), CFileException);
  {
    CFile dropped;  // what was written reaches the disk also without Close
    ASSERT_TRUE(dropped.Open(folder.File("a"), CFile::modeCreate | CFile::modeWrite));
    dropped.Write(&byte, 1);
  }
  EXPECT_EQ(test::ReadBytes(folder.Path() / "a"), test::Bytes{7});
  {
    CFile full;  // a Close whose flush fails still closes
    ASSERT_TRUE(full.Open(folder.File("b"), CFile::modeCreate | CFile::modeWrite));
    full.Write(&byte, 1);
    const auto pwrite = g_fileSystemCalls.pwrite;
    g_fileSystemCalls.pwrite = [](int, const void*, std::size_t, off_t) -> ssize_t {
      errno = ENOSPC;
      return -1;
    };
    EXPECT_THROW(full.Close(), CFileException);
    g_fileSystemCalls.pwrite = pwrite;
    EXPECT_FALSE(full.IsOpen());
  }
  EXPECT_TRUE(CFile::Remove(folder.File("a")));
  EXPECT_FALSE(CFile::Remove(folder.File("a")));
}

}  // namespace
}  // namespace tavi
