#pragma once

#include <vector>

#include "platform/wide_string.h"

namespace tavi {

// Orders paths as the window's sorted file list shows them: letters compared without regard to
// case (A-Z and a-z), ties broken by the exact text, so that the order is total and stable.
bool FileListLess(WStringView a, WStringView b);
void SortFileList(std::vector<WString>& paths);

}  // namespace tavi
