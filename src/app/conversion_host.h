#pragma once

#include <atomic>
#include <cstdint>

#include "import/file_result.h"
#include "platform/wide_string.h"

namespace tavi {

// What the conversion worker needs of the front end that started it: the file list, read line by
// line while the run goes on, and the counter of finished files that the progress is computed from.
class IConversionHost {
 public:
  virtual ~IConversionHost() = default;
  // Number of lines in the file list, asked anew before every file.
  virtual int GetFileCount() = 0;
  // Text of line index of the file list.
  virtual WString GetFileText(int index) = 0;
  // Where the run writes its outputs; empty for beside each input.
  virtual WString GetOutputFolder() { return {}; }
  // Receives what became of each file, in list order, on the worker's thread.
  virtual void RecordResult(const SFileResult& /*result*/) {}

  // Written by the worker, read by the front end's thread.
  std::atomic<std::int32_t> m_nFilesDone{0};
};

}  // namespace tavi
