#include "platform/convertor_messages.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace tavi {

std::int32_t g_nLastPercent = -1;

namespace {

// Guards the queue. Held only for a test, a push or a take; a writer waiting for room lets go of
// it, so the window's side never waits for a writer that waits for the window.
std::mutex g_csLogLine;
std::condition_variable g_lineTaken;

// Lines handed over and not yet taken by the window, oldest first.
std::deque<WString> g_logQueue;

// A window that takes lines slower than the worker makes them holds the worker at this many, so
// that a file of bad lines cannot fill the memory with log lines.
constexpr std::size_t kMaxQueuedLines = 4096;
// The longest single wait of a writer; a line taken wakes it earlier.
constexpr std::chrono::milliseconds kQueuePollInterval{10};

std::atomic<bool> g_bStopRequested{false};
// RequestStop is called from signal handlers, where only lock-free atomics are safe.
static_assert(std::atomic<bool>::is_always_lock_free);

}  // namespace

void PostLogLine(const WString& text) {
  bool wasEmpty = false;
  {
    std::unique_lock queue(g_csLogLine);
    while (g_logQueue.size() >= kMaxQueuedLines) g_lineTaken.wait_for(queue, kQueuePollInterval);
    wasEmpty = g_logQueue.empty();
    g_logQueue.push_back(text);
  }
  // The window takes every waiting line on each message, so a line that joins waiting ones needs
  // none of its own.
  if (wasEmpty && !PostMessageToMainWindow(WM_CONVERTOR_LOG, 1, 0)) {
    // Nobody will ever take the lines: drop them so that later lines do not wait forever.
    std::lock_guard queue(g_csLogLine);
    g_logQueue.clear();
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
    std::lock_guard queue(g_csLogLine);
    if (g_logQueue.empty()) return false;
    line = std::move(g_logQueue.front());
    g_logQueue.pop_front();
  }
  g_lineTaken.notify_all();
  return true;
}

}  // namespace tavi
