#include "app/conversion_worker.h"

#include <exception>

#include "app/output_step.h"
#include "import/csv_importer.h"
#include "import/gep_importer.h"
#include "platform/convertor_messages.h"
#include "platform/message_box.h"

namespace tavi {

namespace {

constexpr std::size_t kEndingLength = 4;
constexpr char16_t kFailedToConvert[] = u"Failed to convert - ";
constexpr char16_t kStopped[] = u"Stopped - ";

// Converts one file of the run; false when a stop ends the run at this file.
bool ConvertUnlessStopped(const WString& path) {
  // Write errors are handled by the output step; anything else that goes wrong with one file
  // (memory running out on a huge input) fails that file, not the run or the process.
  try {
    // A stop that came after the previous file had finished ends the run before this one starts.
    if (IsStopRequested()) throw CConversionStopped();
    ConvertFile(path);
  } catch (const CConversionStopped&) {
    PostLogLine(kStopped + path);
    return false;
  } catch (const std::exception&) {
    PostLogLine(kFailedToConvert + path);
  }
  return true;
}

}  // namespace

WStringView InputEnding(WStringView path) {
  return path.size() < kEndingLength ? path : path.substr(path.size() - kEndingLength);
}

bool HasInputEnding(WStringView path) {
  const WStringView ending = InputEnding(path);
  return ending == u".gep" || ending == u".csv" || ending == u".txt";
}

void ConvertFile(const WString& path) {
  const WStringView ending = InputEnding(path);
  if (ending == u".gep") {
    ImportGepFile(path, SaveTaviFile);
  } else if (ending == u".csv" || ending == u".txt") {
    ImportCsvFile(path, SaveTaviFile);
  }
}

std::uint32_t ConversionThreadProc(IConversionHost* host) {
  if (host == nullptr) return 1;
  ClearStopRequest();
  // The count is asked anew before every file, as the host's list may say otherwise by then.
  for (int i = 0; i < host->GetFileCount(); ++i) {
    if (!ConvertUnlessStopped(host->GetFileText(i))) break;
    ++host->m_nFilesDone;
  }
  if (host->GetFileCount() != 0) ShowMessageBox(kDoneText);
  return 0;
}

}  // namespace tavi
