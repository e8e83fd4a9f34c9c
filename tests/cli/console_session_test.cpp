#include "cli/console_session.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace tavi::cli {
namespace {

TEST(ConsoleSessionTest, MessagesArriveInPostingOrder) {
  CConsoleSession session;
  session.Post(1, 10, 0);
  session.Post(2, 20, -1);
  const CConsoleSession::SMessage first = session.Wait();
  const CConsoleSession::SMessage second = session.Wait();
  EXPECT_EQ(first.message, 1u);
  EXPECT_EQ(first.wParam, 10u);
  EXPECT_EQ(second.message, 2u);
  EXPECT_EQ(second.lParam, -1);
}

TEST(ConsoleSessionTest, ABoxHoldsTheWorkerUntilItIsClosed) {
  CConsoleSession session;
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    session.Post(7, 0, 0);
    session.ShowBox(u"Done!");
    returned = true;
  });
  EXPECT_EQ(session.Wait().message, 7u);
  ASSERT_EQ(session.Wait().message, CConsoleSession::kMessageBox);
  EXPECT_EQ(session.TakeBoxText(), u"Done!");
  EXPECT_FALSE(returned.load());
  session.CloseBox();
  worker.join();
  EXPECT_TRUE(returned.load());
}

}  // namespace
}  // namespace tavi::cli
