#pragma once

#include <vector>

#include "platform/wide_string.h"

namespace tavi {

// The files that paths stand for when they replace the window's file list, as a confirmed pick, a
// drop or the program's arguments do: a folder stands for the input files the start-up scan finds
// directly inside it; any other path is kept when its ending is an input ending (HasInputEnding),
// whether or not it exists, and dropped without a word otherwise.
std::vector<WString> SelectInputFiles(const std::vector<WString>& paths);

// The file list the window starts with. Paths given to the program are taken against the working
// folder (the output goes beside each input, so the list holds absolute paths) and selected as
// above. Without paths the working folder is scanned, unless it is the root or the home folder:
// there the program was started from a menu, not by someone who meant that folder.
std::vector<WString> FindStartFiles(const std::vector<WString>& arguments,
                                    const WString& workingFolder, const WString& homeFolder);

// The user's home folder from the environment; empty when it is not set.
WString GetHomeFolder();

}  // namespace tavi
