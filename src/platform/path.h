#pragma once

#include <filesystem>
#include <vector>

#include "platform/wide_string.h"

namespace tavi {

// The folder separator wherever paths are built or taken apart.
inline constexpr WChar kPathSeparator = u'/';

std::filesystem::path ToNativePath(const WString& path);
WString FromNativePath(const std::filesystem::path& path);

// The process's working folder; empty when it cannot be read.
WString GetWorkingFolder();

// Names (not paths) of the entries of a folder, files and subfolders alike, in the order the
// operating system yields them; empty when the folder cannot be searched.
std::vector<WString> ListFolderEntries(const WString& folder);

}  // namespace tavi
