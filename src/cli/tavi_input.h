#pragma once

#include <string>

#include "writer/tavi_contents.h"

namespace tavi::cli {

// Opens the ".tavi" file a command pictures or exports. Returns the problem as the command line
// names it ("PATH: reason" or "PATH is not a TAVI file"), or nothing when it opened.
std::string OpenTaviInput(CTaviContents& contents, const std::string& path);

}  // namespace tavi::cli
