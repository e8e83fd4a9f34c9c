#include "app/folder_scan.h"

#include "app/conversion_worker.h"
#include "platform/path.h"

namespace tavi {

namespace {

bool EndsWith(const WString& name, const WString& ending) {
  return name.size() >= ending.size() &&
         name.compare(name.size() - ending.size(), ending.size(), ending) == 0;
}

}  // namespace

void FindFilesWithExtension(std::vector<WString>& result, const WString& folder,
                            const WString& ending) {
  const WString dottedEnding = u"." + ending;
  for (const WString& name : ListFolderEntries(folder)) {
    if (EndsWith(name, dottedEnding)) result.push_back(folder + kPathSeparator + name);
  }
}

void ScanWorkingFolder(const WString& folder, std::vector<WString>& result) {
  for (const WString ending : {u"gep", u"csv", u"txt"}) {
    FindFilesWithExtension(result, folder, ending);
  }
}

void ScanInputFolder(const WString& folder, std::vector<WString>& result) {
  ScanWorkingFolder(folder, result);
  for (const WStringView ending : kGeodataEndings) {
    FindFilesWithExtension(result, folder, WString(ending.substr(1)));
  }
}

}  // namespace tavi
