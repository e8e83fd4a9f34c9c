#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tavi::cli {

struct SConvertOptions {
  std::vector<std::string> paths;  // files and folders; none means the working folder
  std::string outputFolder;        // where the outputs go; empty for beside each input
  bool quiet = false;   // no progress bar, no notes of the command line's own, no summary
  bool strict = false;  // anything left out fails the run, though the outputs are written
};

// Exit codes of the command line.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // some input was not converted
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;  // Ctrl-C stopped the run, as shells report it

// Converts the inputs through the same worker the window runs, on its own thread, with this
// thread standing in for the window. errIsTerminal decides whether a progress bar is drawn. The
// result is 1 when a path named nothing or was skipped for its ending, or a file failed (not
// opened, read, created or written, nothing in it to convert, or cut short), and with strict also
// when a line, record or POI was left out; otherwise 0. Ctrl-C during the run stops it (see
// RequestStop), and the result is then 130.
int RunConvert(const SConvertOptions& options, std::ostream& out, std::ostream& err,
               bool errIsTerminal);

}  // namespace tavi::cli
