#pragma once

#include <cstdint>

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

// Posts WM_CONVERTOR_PROGRESS only when percent differs from g_nLastPercent.
void PostProgress(std::int32_t percent);

// The window's side of WM_CONVERTOR_LOG, called until it gives false: moves the oldest waiting
// line into line; false when none is waiting. Never waits for a writer.
bool TakeLogLine(WString& line);

}  // namespace tavi
