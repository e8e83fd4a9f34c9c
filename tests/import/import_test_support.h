#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "import/save_tavi_file.h"
#include "platform/convertor_messages.h"
#include "platform/message_target.h"
#include "platform/wide_string.h"

namespace tavi::test {

// Stands in for the main window while it lives: takes every log line as it is posted, the way the
// window empties the slot, and records the progress percentages.
class CRecordingWindow : public IMessageTarget {
 public:
  CRecordingWindow() {
    g_nLastPercent = -1;
    g_hMainWnd.store(this);
  }
  ~CRecordingWindow() override { g_hMainWnd.store(nullptr); }
  CRecordingWindow(const CRecordingWindow&) = delete;
  CRecordingWindow& operator=(const CRecordingWindow&) = delete;

  void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t) override {
    WString line;
    if (message == WM_CONVERTOR_LOG && TakeLogLine(line)) lines.push_back(line);
    if (message == WM_CONVERTOR_PROGRESS) progress.push_back(static_cast<std::int32_t>(wParam));
  }

  std::vector<WString> lines;
  std::vector<std::int32_t> progress;
};

// What an importer handed to the output step.
struct SavedTaviFile {
  int calls = 0;
  BoundingRect bounds;
  WString folder;
  ElementArray elements;
  WString title;
};

inline SaveTaviFileFunction RecordInto(SavedTaviFile& saved, std::int32_t result = 1) {
  return [&saved, result](const BoundingRect& bounds, const WString& folder,
                          ElementArray&& elements, const WString& title) {
    saved = {saved.calls + 1, bounds, folder, std::move(elements), title};
    return result;
  };
}

// An output step that fails: the importer must still release its elements.
inline std::int32_t ThrowingSave(const BoundingRect&, const WString&, ElementArray&&,
                                 const WString&) {
  throw std::runtime_error("disk full");
}

}  // namespace tavi::test
