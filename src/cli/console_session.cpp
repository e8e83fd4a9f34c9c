#include "cli/console_session.h"

#include <utility>

namespace tavi::cli {

void CConsoleSession::Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  {
    const std::lock_guard guard(m_lock);
    m_queue.push_back({message, wParam, lParam});
  }
  m_changed.notify_all();
}

CConsoleSession::SMessage CConsoleSession::Wait() {
  std::unique_lock guard(m_lock);
  m_changed.wait(guard, [this] { return !m_queue.empty(); });
  const SMessage message = m_queue.front();
  m_queue.pop_front();
  return message;
}

void CConsoleSession::ShowBox(const WString& text) {
  std::unique_lock guard(m_lock);
  // Only one box at a time, as with modal boxes shown from one thread.
  m_changed.wait(guard, [this] { return !m_boxOpen; });
  m_boxText = text;
  m_boxOpen = true;
  m_queue.push_back({kMessageBox, 0, 0});
  m_changed.notify_all();
  m_changed.wait(guard, [this] { return !m_boxOpen; });
}

WString CConsoleSession::TakeBoxText() {
  const std::lock_guard guard(m_lock);
  return std::exchange(m_boxText, WString());
}

void CConsoleSession::CloseBox() {
  {
    const std::lock_guard guard(m_lock);
    m_boxOpen = false;
  }
  m_changed.notify_all();
}

}  // namespace tavi::cli
