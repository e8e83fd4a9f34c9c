#include "cli/tavi_input.h"

#include <filesystem>

#include "platform/file.h"
#include "platform/path.h"

namespace tavi::cli {

std::string OpenTaviInput(CTaviContents& contents, const std::string& path) {
  switch (contents.Open(FromNativePath(std::filesystem::path(path)))) {
    case CTaviContents::EOpenResult::kCannotOpen:
      return path + ": " + DescribeError(contents.OpenError());
    case CTaviContents::EOpenResult::kNotTavi:
      return path + " is not a TAVI file";
    case CTaviContents::EOpenResult::kOpened:
      break;
  }
  return {};
}

}  // namespace tavi::cli
