#include "app/convertor_dialog_worker.h"

#include <system_error>
#include <utility>

namespace tavi {

CWorkerThread::CWorkerThread(ThreadProc proc, std::function<void()> onEnded)
    : m_proc(std::move(proc)), m_onEnded(std::move(onEnded)) {}

CWorkerThread::~CWorkerThread() {
  if (m_hWorkerThread.joinable()) m_hWorkerThread.join();
}

bool CWorkerThread::Start(IConversionHost& host) {
  if (IsRunning()) return false;
  // The previous worker has returned from its procedure; only its thread's exit is left to wait
  // for, so that its handle is released before the next one takes its place.
  if (m_hWorkerThread.joinable()) m_hWorkerThread.join();
  m_bRunning.store(true);
  try {
    m_hWorkerThread = std::thread([this, &host] {
      // Whatever escapes the run ends it; the window must stay usable for the next one.
      try {
        m_proc(&host);
      } catch (...) {
      }
      m_bRunning.store(false);
      if (m_onEnded) m_onEnded();
    });
  } catch (const std::system_error&) {
    m_bRunning.store(false);
    return false;
  }
  return true;
}

}  // namespace tavi
