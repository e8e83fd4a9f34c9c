#include "app/input_selection.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "app/conversion_worker.h"
#include "app/folder_scan.h"
#include "platform/path.h"

namespace tavi {

namespace {

namespace fs = std::filesystem;

bool IsFolder(const WString& path) {
  std::error_code error;
  return fs::is_directory(ToNativePath(path), error);
}

bool IsSameFolder(const WString& a, const fs::path& b) {
  std::error_code error;
  return !a.empty() && !b.empty() && fs::equivalent(ToNativePath(a), b, error);
}

// "data/" names the folder data: the scan adds its own separator.
WString WithoutTrailingSeparators(WString path) {
  while (path.size() > 1 && path.back() == kPathSeparator) path.pop_back();
  return path;
}

WString MakeAbsolute(const WString& path, const WString& workingFolder) {
  if (path.empty() || workingFolder.empty()) return path;
  return FromNativePath((ToNativePath(workingFolder) / ToNativePath(path)).lexically_normal());
}

}  // namespace

std::vector<WString> SelectInputFiles(const std::vector<WString>& paths) {
  std::vector<WString> files;
  for (const WString& path : paths) {
    if (IsFolder(path)) {
      ScanWorkingFolder(WithoutTrailingSeparators(path), files);
    } else if (HasInputEnding(path)) {
      files.push_back(path);
    }
  }
  return files;
}

std::vector<WString> FindStartFiles(const std::vector<WString>& arguments,
                                    const WString& workingFolder, const WString& homeFolder) {
  if (!arguments.empty()) {
    std::vector<WString> paths;
    paths.reserve(arguments.size());
    for (const WString& argument : arguments)
      paths.push_back(MakeAbsolute(argument, workingFolder));
    return SelectInputFiles(paths);
  }
  // A working folder that cannot be read lists nothing rather than the root of some other place.
  if (workingFolder.empty() || IsSameFolder(workingFolder, fs::path("/")) ||
      IsSameFolder(workingFolder, ToNativePath(homeFolder))) {
    return {};
  }
  std::vector<WString> found;
  ScanWorkingFolder(workingFolder, found);
  return found;
}

WString GetHomeFolder() {
  const char* home = std::getenv("HOME");
  return home == nullptr ? WString() : FromNativePath(fs::path(home));
}

}  // namespace tavi
