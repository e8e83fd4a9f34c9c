#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include "platform/message_target.h"
#include "platform/wide_string.h"

namespace tavi::cli {

// The command line's stand-in for the main window: messages posted from the worker queue up
// here, and the main thread takes them one by one. Message boxes shown on the worker thread are
// handed to the main thread too, and the worker waits until the main thread has shown them, as a
// modal box would make it wait.
class CConsoleSession : public IMessageTarget {
 public:
  // Session messages, beside the worker's own.
  static constexpr std::uint32_t kMessageBox = WM_USER + 200;
  static constexpr std::uint32_t kWorkerEnded = WM_USER + 201;

  struct SMessage {
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
  };

  void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;

  // Main thread: blocks until a message is there and takes it, in posting order.
  SMessage Wait();

  // Worker thread: queues a kMessageBox and returns when the main thread has closed it.
  void ShowBox(const WString& text);
  // Main thread, on kMessageBox: the text of the box, then CloseBox once it is shown.
  WString TakeBoxText();
  void CloseBox();

 private:
  std::mutex m_lock;
  std::condition_variable m_changed;
  std::deque<SMessage> m_queue;
  WString m_boxText;
  bool m_boxOpen = false;
};

}  // namespace tavi::cli
