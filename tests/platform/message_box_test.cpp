#include "platform/message_box.h"

#include <gtest/gtest.h>

#include <vector>

namespace tavi {
namespace {

TEST(MessageBoxTest, HandlerReceivesTextsAndIsReplaceable) {
  std::vector<WString> shown;
  const MessageBoxHandler original =
      SetMessageBoxHandler([&shown](const WString& text) { shown.push_back(text); });
  ShowMessageBox(u"Done!");
  const MessageBoxHandler mine = SetMessageBoxHandler(nullptr);
  ShowMessageBox(u"dropped");
  SetMessageBoxHandler(original);
  EXPECT_EQ(shown, std::vector<WString>{u"Done!"});
  EXPECT_TRUE(static_cast<bool>(mine));
}

}  // namespace
}  // namespace tavi
