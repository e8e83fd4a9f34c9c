#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tavi::cli {

struct SConvertOptions {
  std::vector<std::string> paths;  // files and folders; none means the working folder
  bool quiet = false;              // no progress bar, no notes of the command line's own
};

// Exit codes of the command line.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // some input was not converted
inline constexpr int kExitUsage = 2;

// Converts the inputs through the same worker the window runs, on its own thread, with this
// thread standing in for the window. errIsTerminal decides whether a progress bar is drawn.
int RunConvert(const SConvertOptions& options, std::ostream& out, std::ostream& err,
               bool errIsTerminal);

}  // namespace tavi::cli
