#pragma once

#include <cstdint>

#include "platform/wide_string.h"

namespace tavi {

// What became of one input file. Its importer and the output step fill it in as they go, and the
// front ends read it for their summaries and exit status: no decision is taken from log lines.
struct SFileResult {
  WString input;
  WString output;        // the ".tavi" file written for it; empty when none was
  bool failed = false;   // it was not converted whole: cut short, or no output at all
  bool stopped = false;  // a stop request ended it
  std::int64_t poisWritten = 0;
  std::int64_t linesLeftOut = 0;    // bad lines of a text file, bad features of geodata
  std::int64_t recordsLeftOut = 0;  // bad records of a GEP file
  std::int64_t poisLeftOut = 0;     // POIs that no leaf of the index contained

  bool Converted() const { return !output.empty() && !failed; }
  std::int64_t LeftOut() const { return linesLeftOut + recordsLeftOut + poisLeftOut; }
};

}  // namespace tavi
