#pragma once

#include <cstdint>
#include <map>

#include "import/file_result.h"
#include "model/element_arena.h"
#include "model/geo.h"
#include "platform/wide_string.h"

namespace tavi {

// The output step of one conversion run. It writes the elements of each input file to
// folder + separator + title + ".tavi", where folder is the input's own or the one chosen for the
// whole run, and remembers which input of the run wrote which output, so that a later input that
// writes the same file says so before it replaces it.
class COutputStep {
 public:
  // An empty outputFolder writes every output beside its input.
  explicit COutputStep(WString outputFolder = {});

  // Returns the writer's result (1 when the file holds at least one element, 0 otherwise), or -1
  // when the file could not be created or written. The elements belong to this call from its
  // start. Failures are logged with the system's reason: "Failed to create TAVI file - PATH
  // (reason)" when the file cannot be made, "Failed to write TAVI file - PATH (reason)" when
  // writing it fails (disk full, the folder gone); the previous file of that name then stays as
  // it was. result receives the output, the POIs written and those the index left out.
  std::int32_t SaveTaviFile(const BoundingRect& bounds, const WString& folder,
                            CElementArena&& elements, const WString& title, SFileResult& result);

 private:
  std::int32_t Write(const WString& path, const BoundingRect& bounds, CElementArena&& elements,
                     SFileResult& result);

  WString m_outputFolder;
  std::map<WString, WString> m_written;  // output path -> the input that wrote it
};

}  // namespace tavi
