#include "platform/path.h"

#include <system_error>

#include "platform/code_page.h"

namespace tavi {

std::filesystem::path ToNativePath(const WString& path) {
  return {WideToUtf8(path)};
}

WString FromNativePath(const std::filesystem::path& path) {
  return Utf8ToWide(path.string());
}

WString GetWorkingFolder() {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::current_path(error);
  return error ? WString() : FromNativePath(folder);
}

std::vector<WString> ListFolderEntries(const WString& folder) {
  std::vector<WString> names;
  std::error_code error;
  std::filesystem::directory_iterator it(ToNativePath(folder), error);
  for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    names.push_back(FromNativePath(it->path().filename()));
  }
  return names;
}

}  // namespace tavi
