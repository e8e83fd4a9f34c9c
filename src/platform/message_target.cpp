#include "platform/message_target.h"

namespace tavi {

std::atomic<IMessageTarget*> g_hMainWnd{nullptr};

bool PostMessageToMainWindow(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  IMessageTarget* target = g_hMainWnd.load();
  if (target == nullptr) return false;
  target->Post(message, wParam, lParam);
  return true;
}

}  // namespace tavi
