#include "app/conversion_worker.h"

#include <algorithm>
#include <exception>

#include "app/geodata_slot.h"
#include "app/output_step.h"
#include "import/csv_importer.h"
#include "import/gep_importer.h"
#include "platform/convertor_messages.h"
#include "platform/message_box.h"

namespace tavi {

namespace {

constexpr std::size_t kEndingLength = 4;
constexpr char16_t kFailedToConvert[] = u"Failed to convert - ";

}  // namespace

WStringView InputEnding(WStringView path) {
  const auto geodata = std::find_if(kGeodataEndings.begin(), kGeodataEndings.end(),
                                    [path](WStringView ending) { return path.ends_with(ending); });
  if (geodata != kGeodataEndings.end()) return *geodata;
  return path.size() < kEndingLength ? path : path.substr(path.size() - kEndingLength);
}

bool HasGeodataEnding(WStringView path) {
  return std::any_of(kGeodataEndings.begin(), kGeodataEndings.end(),
                     [path](WStringView ending) { return path.ends_with(ending); });
}

bool HasInputEnding(WStringView path) {
  const WStringView ending = InputEnding(path);
  return ending == u".gep" || ending == u".csv" || ending == u".txt" || HasGeodataEnding(path);
}

void ConvertFile(const WString& path) {
  const WStringView ending = InputEnding(path);
  if (ending == u".gep") {
    ImportGepFile(path, SaveTaviFile);
  } else if (ending == u".csv" || ending == u".txt") {
    ImportCsvFile(path, SaveTaviFile);
  } else if (HasGeodataEnding(path)) {
    ImportGeodataFile(path, SaveTaviFile);
  }
}

std::uint32_t ConversionThreadProc(IConversionHost* host) {
  if (host == nullptr) return 1;
  // The count is asked anew before every file, as the host's list may say otherwise by then.
  for (int i = 0; i < host->GetFileCount(); ++i) {
    const WString path = host->GetFileText(i);
    // Write errors are handled by the output step; anything else that goes wrong with one file
    // (memory running out on a huge input) fails that file, not the run or the process.
    try {
      ConvertFile(path);
    } catch (const std::exception&) {
      PostLogLine(kFailedToConvert + path);
    }
    ++host->m_nFilesDone;
  }
  if (host->GetFileCount() != 0) ShowMessageBox(kDoneText);
  return 0;
}

}  // namespace tavi
