#pragma once

#include <string>
#include <vector>

#include "platform/wide_string.h"

namespace tavi::cli {

// The files a convert command works through, and what the command line has to say about the
// paths it was given.
struct SInputList {
  std::vector<WString> files;       // absolute paths, in the order they are converted
  std::vector<std::string> errors;  // paths that named nothing or were skipped, one line each
};

// Expands the command's paths: a folder stands for the input files found in it (geodata files
// included), in the order of the window's sorted list; a file is taken when it has an input
// ending (HasInputEnding). Each path is made absolute against workingFolder first, because the
// output is written to the input's folder. No paths means the working folder.
SInputList CollectInputs(const std::vector<std::string>& paths, const WString& workingFolder);

}  // namespace tavi::cli
