#include "cli/console_session.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace tavi::cli {
namespace {

// Messages arrive in posting order; a box holds the worker until it is closed.
TEST(ConsoleSessionTest, MessagesArriveInOrderAndABoxHoldsTheWorker) {
  CConsoleSession session;
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    session.Post(1, 10, 0);
    session.Post(2, 20, -1);
    session.ShowBox(u"Done!");
    returned = true;
  });
  const CConsoleSession::SMessage first = session.Wait();
  const CConsoleSession::SMessage second = session.Wait();
  EXPECT_EQ(first.message, 1u);
  EXPECT_EQ(first.wParam, 10u);
  EXPECT_EQ(second.message, 2u);
  EXPECT_EQ(second.lParam, -1);
  ASSERT_EQ(session.Wait().message, CConsoleSession::kMessageBox);
  EXPECT_EQ(session.TakeBoxText(), u"Done!");
  EXPECT_FALSE(returned.load());
  session.CloseBox();
  worker.join();
  EXPECT_TRUE(returned.load());
}

}  // namespace
}  // namespace tavi::cli
