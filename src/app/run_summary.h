#pragma once

#include <string>
#include <vector>

#include "import/file_result.h"

namespace tavi {

// A run in one line, for the command line's last word and the closing box of the window:
// "3 files converted, 1 failed; 1234 POIs written; 5 lines left out", followed by the records and
// POIs left out when there are any.
std::string DescribeRun(const std::vector<SFileResult>& results);

}  // namespace tavi
