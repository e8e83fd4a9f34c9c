#pragma once

#include <cstdint>
#include <exception>

#include "platform/message_target.h"
#include "platform/wide_string.h"

namespace tavi {

// Messages the conversion worker posts to the main window.
inline constexpr std::uint32_t WM_CONVERTOR_LOG = WM_USER + 160;       // wParam 1, lParam 0
inline constexpr std::uint32_t WM_CONVERTOR_PROGRESS = WM_USER + 161;  // wParam percent 0..100

// The range of every progress figure: a file's own percentage and the run's bar alike.
inline constexpr std::int32_t kProgressMinimum = 0;
inline constexpr std::int32_t kProgressMaximum = 100;

// The last per-file percentage posted; -1 in a fresh process, never reset between files.
extern std::int32_t g_nLastPercent;

// Hands one line to the window: queues it and posts WM_CONVERTOR_LOG when no line was waiting.
// Lines keep their order. Waits only while the window has thousands of lines still to take.
void PostLogLine(const WString& text);

// Raised by PostProgress once a stop has been asked for, so that whatever posts progress (the
// importers, each phase of the writer) ends the current file at its next step.
class CConversionStopped : public std::exception {
 public:
  const char* what() const noexcept override { return "conversion stopped"; }
};

// The stop of a run: asked for by the window's button or the command line's Ctrl-C, cleared by the
// front end before it starts the next run. Any thread; RequestStop also from a signal handler.
void RequestStop();
void ClearStopRequest();
bool IsStopRequested();

// From this percentage of a file on, its output has been written in full: what is left is putting
// it in place, freeing the index and the importer's end.
inline constexpr std::int32_t kOutputWrittenPercent = 80;

// Posts WM_CONVERTOR_PROGRESS only when percent differs from g_nLastPercent. Below
// kOutputWrittenPercent, raises CConversionStopped instead when a stop has been asked for; a file
// whose output is complete is finished, not thrown away.
void PostProgress(std::int32_t percent);

// The window's side of WM_CONVERTOR_LOG, called until it gives false: moves the oldest waiting
// line into line; false when none is waiting. Never waits for a writer.
bool TakeLogLine(WString& line);

}  // namespace tavi
