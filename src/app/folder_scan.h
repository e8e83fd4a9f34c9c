#pragma once

#include <vector>

#include "platform/wide_string.h"

namespace tavi {

// Appends folder + separator + name for every entry of folder whose name ends in "." + ending,
// compared exactly (case-sensitive). Subfolders with such a name are listed like files; nothing
// below the folder is searched. A folder that cannot be searched adds nothing.
void FindFilesWithExtension(std::vector<WString>& result, const WString& folder,
                            const WString& ending);

// The input files of one folder: every ".gep", then every ".csv", then every ".txt" entry.
void ScanWorkingFolder(const WString& folder, std::vector<WString>& result);

// A folder the user names: the entries ScanWorkingFolder finds, then those with a geodata ending.
void ScanInputFolder(const WString& folder, std::vector<WString>& result);

}  // namespace tavi
