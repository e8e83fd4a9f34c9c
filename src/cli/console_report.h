#pragma once

#include <ostream>
#include <span>
#include <string>

#include "platform/wide_string.h"

namespace tavi::cli {

// What a convert command prints. Standard output carries exactly the lines the window's log list
// would show, then "Done!", flushed as they come so that a reader behind a pipe follows the run;
// standard error the progress bar (only on a terminal), the message boxes of the string encoder and
// the command line's own notes and errors.
class CConsoleReport {
 public:
  CConsoleReport(std::ostream& out, std::ostream& err, bool showProgress, bool showNotes);
  CConsoleReport(const CConsoleReport&) = delete;
  CConsoleReport& operator=(const CConsoleReport&) = delete;

  // Log lines taken together: the bar gives way once and they are flushed once. The two-character
  // separator line prints as an empty line.
  void LogLines(std::span<const WString> lines);
  // A message box: "Done!" closes standard output (what follows it in the box is the run's
  // summary, which the command line gives itself), every other box goes to standard error.
  void Box(const WString& text);
  // The command line's own notes are dropped in quiet mode; errors are not.
  void Note(const std::string& text);
  void Error(const std::string& text);
  // The overall percentage of the run, 0..100; the bar never moves back.
  void Progress(int percent);
  // Removes the bar and flushes both streams.
  void Finish();

 private:
  void HideBar();
  void DrawBar();

  std::ostream& m_out;
  std::ostream& m_err;
  bool m_showProgress;
  bool m_showNotes;
  bool m_barVisible = false;
  int m_percent = -1;
};

}  // namespace tavi::cli
