#include "platform/convertor_messages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tavi {
namespace {

// Stands in for the main window while it lives; records message, wParam and lParam of each post.
class RecordingTarget : public IMessageTarget {
 public:
  RecordingTarget() { g_hMainWnd.store(this); }
  ~RecordingTarget() override {
    g_hMainWnd.store(nullptr);
    WString rest;
    while (TakeLogLine(rest)) {
    }
  }
  void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
    std::lock_guard lock(m_lock);
    m_posts.push_back({message, wParam, static_cast<std::uintptr_t>(lParam)});
    if (message == WM_CONVERTOR_LOG) ++m_logPosts;
  }
  std::vector<std::vector<std::uintptr_t>> Posts() {
    std::lock_guard lock(m_lock);
    return m_posts;
  }
  std::atomic<int> m_logPosts{0};

 private:
  std::mutex m_lock;
  std::vector<std::vector<std::uintptr_t>> m_posts;
};

WString Line(int i) {
  const std::string text = "line " + std::to_string(i);
  return WString(text.begin(), text.end());
}

TEST(PostLogLine, PostsLogMessageWithTheLineInTheSlot) {
  RecordingTarget target;
  PostLogLine(u"Saving tavi file - /tmp/a.tavi");
  EXPECT_EQ(target.Posts(), (std::vector<std::vector<std::uintptr_t>>{{0x04A0u, 1u, 0u}}));
  WString line;
  ASSERT_TRUE(TakeLogLine(line));
  EXPECT_EQ(line, u"Saving tavi file - /tmp/a.tavi");
  EXPECT_FALSE(TakeLogLine(line));
}

TEST(PostLogLine, WriterWaitsUntilTheWindowTookThePreviousLine) {
  RecordingTarget target;
  std::thread writer([] {
    for (int i = 0; i < 3; ++i) PostLogLine(Line(i));
  });
  for (int i = 0; i < 3; ++i) {
    while (target.m_logPosts.load() < i + 1) std::this_thread::yield();
    // Give a faulty writer the chance to post its next line while this one is still in flight.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(target.m_logPosts.load(), i + 1);
    WString line;
    ASSERT_TRUE(TakeLogLine(line));
    EXPECT_EQ(line, Line(i));
  }
  writer.join();
}

TEST(PostLogLine, TwoWritersKeepEachWritersOrderAndLoseNothing) {
  RecordingTarget target;
  constexpr int kLinesPerWriter = 5000;
  std::vector<WString> received;
  std::thread window([&] {
    WString line;
    while (received.size() < 2u * kLinesPerWriter) {
      if (TakeLogLine(line)) {
        received.push_back(line);
      } else {
        std::this_thread::yield();
      }
    }
  });
  auto write = [](int base) {
    for (int i = 0; i < kLinesPerWriter; ++i) PostLogLine(Line(base + i));
  };
  std::thread first(write, 0);
  std::thread second(write, 100000);
  first.join();
  second.join();
  window.join();

  ASSERT_EQ(received.size(), 2u * kLinesPerWriter);
  EXPECT_EQ(target.m_logPosts.load(), 2 * kLinesPerWriter);
  int next[2] = {0, 100000};
  for (const WString& line : received) {
    const int number = std::stoi(std::string(line.begin() + 5, line.end()));
    EXPECT_EQ(number, next[number >= 100000]++);
  }
}

TEST(PostLogLine, WithoutAWindowLinesDoNotPileUp) {
  ASSERT_EQ(g_hMainWnd.load(), nullptr);
  PostLogLine(u"first");
  PostLogLine(u"second");  // would wait forever if the first line stayed in the slot
  WString line;
  EXPECT_FALSE(TakeLogLine(line));
}

TEST(PostProgress, PostsOnlyWhenThePercentageChanges) {
  RecordingTarget target;
  g_nLastPercent = -1;
  for (std::int32_t percent : {0, 0, 30, 30, 31, 100, 100, 0}) PostProgress(percent);
  EXPECT_EQ(target.Posts(), (std::vector<std::vector<std::uintptr_t>>{{0x04A1u, 0, 0},
                                                                      {0x04A1u, 30, 0},
                                                                      {0x04A1u, 31, 0},
                                                                      {0x04A1u, 100, 0},
                                                                      {0x04A1u, 0, 0}}));
  EXPECT_EQ(g_nLastPercent, 0);
}

}  // namespace
}  // namespace tavi
