#include "app/file_list_order.h"

#include <algorithm>

namespace tavi {

namespace {

WChar FoldCase(WChar c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<WChar>(c - u'A' + u'a') : c;
}

}  // namespace

bool FileListLess(WStringView a, WStringView b) {
  const auto folded = [](WChar x, WChar y) { return FoldCase(x) < FoldCase(y); };
  if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), folded)) return true;
  if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), folded)) return false;
  return a < b;
}

void SortFileList(std::vector<WString>& paths) {
  std::sort(paths.begin(), paths.end(),
            [](const WString& a, const WString& b) { return FileListLess(a, b); });
}

}  // namespace tavi
