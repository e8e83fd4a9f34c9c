#pragma once

#include <optional>
#include <vector>

#include "app/conversion_host.h"
#include "platform/message_target.h"
#include "platform/wide_string.h"

namespace tavi {

// Everything the main dialog's logic asks of its window: the two lists, the progress bar, the
// modal boxes, the file picker and the worker thread. The desktop front end binds these to its
// widgets; tests bind them to recorders. All of them are called on the window's thread only.
class IDialogControls {
 public:
  virtual ~IDialogControls() = default;

  // The file list keeps its lines sorted: a new line goes to its sorted place.
  virtual void AddFileLine(const WString& path) = 0;
  virtual void ResetFileLines() = 0;
  virtual int GetFileLineCount() const = 0;
  virtual WString GetFileLineText(int index) const = 0;

  // The log list keeps its lines in arrival order.
  virtual void AddLogLine(const WString& line) = 0;
  virtual int GetLogLineCount() const = 0;
  virtual void SetLogTopIndex(int index) = 0;

  virtual void SetProgressRange(int lower, int upper) = 0;
  virtual void SetProgressPos(int position) = 0;

  // A modal box with an OK button; returns when it is closed.
  virtual void ShowMessage(const WString& text) = 0;
  // Closes every box that ShowMessage has open, as if its OK button had been pressed.
  virtual void CloseMessages() = 0;

  // The text of the button that starts a run (and stops it while it runs).
  virtual void SetConvertText(const WString& text) = 0;

  // A modal open-file dialog for several files at once. filters are the names the user chooses
  // from, each with its patterns in parentheses, the first one shown first. Returns the full paths
  // of a confirmed selection, nothing when the user cancels.
  virtual std::optional<std::vector<WString>> PickFiles(const WString& title,
                                                        const std::vector<WString>& filters) = 0;

  // Starts a conversion worker on host; false when no thread could be started. A worker counts as
  // running until its procedure has returned.
  virtual bool StartWorker(IConversionHost& host) = 0;
  virtual bool IsWorkerRunning() const = 0;

  // Where the worker's messages go: posting to it queues them for the window's thread.
  virtual IMessageTarget& GetMessageTarget() = 0;

  // Closes the window, which ends the application.
  virtual void EndDialog() = 0;
};

}  // namespace tavi
