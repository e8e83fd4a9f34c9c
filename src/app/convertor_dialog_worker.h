#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

#include "app/conversion_host.h"

namespace tavi {

// The dialog's one worker thread. It runs the thread procedure on the host and counts as running
// until the procedure has returned, which includes the time the closing "Done!" box is open.
class CWorkerThread {
 public:
  using ThreadProc = std::function<std::uint32_t(IConversionHost*)>;

  // onEnded, when given, runs on the worker thread once the procedure has returned and the worker
  // no longer counts as running.
  explicit CWorkerThread(ThreadProc proc, std::function<void()> onEnded = {});
  // Waits for a worker that is still running.
  ~CWorkerThread();
  CWorkerThread(const CWorkerThread&) = delete;
  CWorkerThread& operator=(const CWorkerThread&) = delete;

  // Starts the procedure on host unless a worker is still running; false when none was started.
  bool Start(IConversionHost& host);
  bool IsRunning() const { return m_bRunning.load(); }

 private:
  ThreadProc m_proc;
  std::function<void()> m_onEnded;
  std::thread m_hWorkerThread;
  std::atomic<bool> m_bRunning{false};
};

}  // namespace tavi
