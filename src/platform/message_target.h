#pragma once

#include <atomic>
#include <cstdint>

namespace tavi {

inline constexpr std::uint32_t WM_USER = 0x0400;

// Receives messages posted from the worker thread: the main window stands behind it in the desktop
// front end, the main loop in the command line, a recorder in tests. Post must not block.
class IMessageTarget {
 public:
  virtual ~IMessageTarget() = default;
  virtual void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

// The window that receives every posted message; null until a front end registers one.
extern std::atomic<IMessageTarget*> g_hMainWnd;

// Posts to g_hMainWnd; false when no target is registered.
bool PostMessageToMainWindow(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

}  // namespace tavi
