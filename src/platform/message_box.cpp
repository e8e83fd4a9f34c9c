#include "platform/message_box.h"

#include <mutex>
#include <utility>

namespace tavi {

namespace {

std::mutex& HandlerLock() {
  static std::mutex lock;
  return lock;
}

MessageBoxHandler& Handler() {
  static MessageBoxHandler handler;
  return handler;
}

}  // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  const std::lock_guard guard(HandlerLock());
  return std::exchange(Handler(), std::move(handler));
}

void ShowMessageBox(const WString& text) {
  MessageBoxHandler handler;
  {
    const std::lock_guard guard(HandlerLock());
    handler = Handler();
  }
  if (handler) handler(text);
}

}  // namespace tavi
