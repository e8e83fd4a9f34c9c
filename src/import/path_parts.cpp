#include "import/path_parts.h"

#include "platform/path.h"

namespace tavi {

WString GetFolderPart(const WString& path) {
  for (std::size_t i = path.size(); i-- > 1;) {
    if (path[i] == kPathSeparator) return path.substr(0, i);
  }
  return {};
}

WString GetTitlePart(const WString& path) {
  std::size_t dot = WString::npos;
  for (std::size_t i = path.size(); i-- > 0;) {
    if (path[i] == u'.') {
      dot = i;  // walking leftwards, so this ends as the first dot of the file name
    } else if (path[i] == kPathSeparator) {
      const std::size_t nameStart = i + 1;
      return dot == WString::npos ? path.substr(nameStart)
                                  : path.substr(nameStart, dot - nameStart);
    }
  }
  return dot == WString::npos ? path : path.substr(0, dot);
}

}  // namespace tavi
