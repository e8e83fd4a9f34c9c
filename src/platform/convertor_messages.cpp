#include "platform/convertor_messages.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tavi {

std::int32_t g_nLastPercent = -1;

namespace {

// Serialises the writers of the slot; held while a writer waits, so lines keep their order.
std::mutex g_csLogLine;

// Guards g_strLogLine itself. Held only for a test, a fill or a take, never while waiting, so
// the window's side never waits for a writer that waits for the window.
std::mutex g_slotLock;
std::condition_variable g_slotFreed;

// The log slot: empty means free, non-empty means one line waits for the window.
WString g_strLogLine;

std::atomic<bool> g_bStopRequested{false};
// RequestStop is called from signal handlers, where only lock-free atomics are safe.
static_assert(std::atomic<bool>::is_always_lock_free);

// The longest single wait of a writer; a freed slot wakes it earlier.
constexpr std::chrono::milliseconds kSlotPollInterval{10};

}  // namespace

void PostLogLine(const WString& text) {
  std::lock_guard writers(g_csLogLine);
  {
    std::unique_lock slot(g_slotLock);
    while (!g_strLogLine.empty()) g_slotFreed.wait_for(slot, kSlotPollInterval);
    g_strLogLine = text;
  }
  if (!PostMessageToMainWindow(WM_CONVERTOR_LOG, 1, 0)) {
    // Nobody will ever take the line: free the slot again so that later lines do not wait forever.
    std::lock_guard slot(g_slotLock);
    g_strLogLine.clear();
  }
}

void RequestStop() {
  g_bStopRequested.store(true);
}

void ClearStopRequest() {
  g_bStopRequested.store(false);
}

bool IsStopRequested() {
  return g_bStopRequested.load();
}

void PostProgress(std::int32_t percent) {
  if (percent < kOutputWrittenPercent && IsStopRequested()) throw CConversionStopped();
  if (percent == g_nLastPercent) return;
  g_nLastPercent = percent;
  PostMessageToMainWindow(WM_CONVERTOR_PROGRESS, static_cast<std::uintptr_t>(percent), 0);
}

bool TakeLogLine(WString& line) {
  {
    std::lock_guard slot(g_slotLock);
    if (g_strLogLine.empty()) return false;
    line = std::move(g_strLogLine);
    g_strLogLine.clear();
  }
  g_slotFreed.notify_all();
  return true;
}

}  // namespace tavi
