#include "cli/input_paths.h"

#include <filesystem>
#include <system_error>

#include "app/conversion_worker.h"
#include "app/file_list_order.h"
#include "app/folder_scan.h"
#include "platform/code_page.h"
#include "platform/path.h"

namespace tavi::cli {

namespace {

namespace fs = std::filesystem;

fs::path MakeAbsolute(const std::string& argument, const fs::path& workingFolder) {
  fs::path path = (workingFolder / fs::path(argument)).lexically_normal();
  // "data/" names the folder data; the scan joins its own separator.
  if (!path.has_filename() && path.has_parent_path() && path != path.root_path()) {
    path = path.parent_path();
  }
  return path;
}

std::string GeodataEndings() {
  std::string endings;
  for (const WStringView ending : kGeodataEndings) {
    endings += (endings.empty() ? "" : " ") + WideToUtf8(WString(ending));
  }
  return endings;
}

// A folder the user names takes the geodata endings too; the working folder, when none is named,
// gives the files the window lists at start-up.
void AddFolder(const fs::path& folder, bool named, SInputList& inputs) {
  std::vector<WString> found;
  (named ? ScanInputFolder : ScanWorkingFolder)(FromNativePath(folder), found);
  SortFileList(found);
  inputs.files.insert(inputs.files.end(), found.begin(), found.end());
}

void AddPath(const std::string& argument, const fs::path& workingFolder, SInputList& inputs) {
  const fs::path path = MakeAbsolute(argument, workingFolder);
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  // An empty argument names nothing; taken as it stands it would be the working folder.
  if (argument.empty() || !fs::exists(status)) {
    inputs.errors.push_back(argument + ": no such file or folder");
  } else if (fs::is_directory(status)) {
    AddFolder(path, true, inputs);
  } else if (HasInputEnding(FromNativePath(path))) {
    inputs.files.push_back(FromNativePath(path));
  } else {
    inputs.errors.push_back(
        argument + ": skipped, only names ending in .gep, .csv, .txt or a geodata ending (" +
        GeodataEndings() + ") are converted (endings are case-sensitive)");
  }
}

}  // namespace

SInputList CollectInputs(const std::vector<std::string>& paths, const WString& workingFolder) {
  SInputList inputs;
  const fs::path base = ToNativePath(workingFolder);
  if (paths.empty()) {
    AddFolder(base, false, inputs);
    return inputs;
  }
  for (const std::string& argument : paths) AddPath(argument, base, inputs);
  return inputs;
}

}  // namespace tavi::cli
