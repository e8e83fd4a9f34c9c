#include "app/conversion_worker.h"

#include "app/output_step.h"
#include "import/csv_importer.h"
#include "import/gep_importer.h"
#include "platform/message_box.h"

namespace tavi {

namespace {

constexpr std::size_t kEndingLength = 4;

WString LastCharacters(const WString& path) {
  return path.size() < kEndingLength ? path : path.substr(path.size() - kEndingLength);
}

}  // namespace

void ConvertFile(const WString& path) {
  const WString ending = LastCharacters(path);
  if (ending == u".gep") {
    ImportGepFile(path, SaveTaviFile);
  } else if (ending == u".csv" || ending == u".txt") {
    ImportCsvFile(path, SaveTaviFile);
  }
}

std::uint32_t ConversionThreadProc(IConversionHost* host) {
  if (host == nullptr) return 1;
  // The count is asked anew before every file: the list is the host's, not a copy.
  for (int i = 0; i < host->GetFileCount(); ++i) {
    ConvertFile(host->GetFileText(i));
    ++host->m_nFilesDone;
  }
  if (host->GetFileCount() != 0) ShowMessageBox(kDoneText);
  return 0;
}

}  // namespace tavi
