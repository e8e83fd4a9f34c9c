#pragma once

#include <QEvent>
#include <cstdint>

namespace tavi {

// One message posted by the worker thread, carried to the window's thread by the event queue.
class CConvertorMessageEvent : public QEvent {
 public:
  CConvertorMessageEvent(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

  static QEvent::Type EventType();

  std::uint32_t Message() const { return m_message; }
  std::uintptr_t WParam() const { return m_wParam; }
  std::intptr_t LParam() const { return m_lParam; }

 private:
  std::uint32_t m_message;
  std::uintptr_t m_wParam;
  std::intptr_t m_lParam;
};

}  // namespace tavi
