#include "app/conversion_worker.h"

#include <algorithm>
#include <exception>

#include "app/geodata_slot.h"
#include "app/output_step.h"
#include "import/csv_importer.h"
#include "import/gep_importer.h"
#include "import/save_tavi_file.h"
#include "platform/convertor_messages.h"
#include "platform/message_box.h"

namespace tavi {

namespace {

constexpr std::size_t kEndingLength = 4;
constexpr char16_t kFailedToConvert[] = u"Failed to convert - ";
constexpr char16_t kStopped[] = u"Stopped - ";

// The last four characters of a path (the whole path if it is shorter) decide between the text
// and GEP importers.
WStringView InputEnding(WStringView path) {
  return path.size() < kEndingLength ? path : path.substr(path.size() - kEndingLength);
}

}  // namespace

bool HasGeodataEnding(WStringView path) {
  return std::any_of(kGeodataEndings.begin(), kGeodataEndings.end(),
                     [path](WStringView ending) { return path.ends_with(ending); });
}

bool HasInputEnding(WStringView path) {
  const WStringView ending = InputEnding(path);
  return ending == u".gep" || ending == u".csv" || ending == u".txt" || HasGeodataEnding(path);
}

void ConvertFile(const WString& path, COutputStep& output, SFileResult& result) {
  const SaveTaviFileFunction save = [&output, &result](
                                        const BoundingRect& bounds, const WString& folder,
                                        CElementArena&& elements, const WString& title) {
    return output.SaveTaviFile(bounds, folder, std::move(elements), title, result);
  };
  const WStringView ending = InputEnding(path);
  if (ending == u".gep") {
    ImportGepFile(path, save, result);
  } else if (ending == u".csv" || ending == u".txt") {
    ImportCsvFile(path, save, result);
  } else if (HasGeodataEnding(path)) {
    ImportGeodataFile(path, save, result);
  }
}

namespace {

SFileResult ConvertOneFile(const WString& path, COutputStep& output) {
  SFileResult result;
  result.input = path;
  // Write errors are handled by the output step; anything else that goes wrong with one file
  // (memory running out on a huge input) fails that file, not the run or the process.
  try {
    // A stop that came after the previous file had finished ends the run before this one starts.
    if (IsStopRequested()) throw CConversionStopped();
    ConvertFile(path, output, result);
  } catch (const CConversionStopped&) {
    // Whatever the file had begun has been undone on the way out; no output is not a failure.
    PostLogLine(kStopped + path);
    result.stopped = true;
    return result;
  } catch (const std::exception&) {
    PostLogLine(kFailedToConvert + path);
  }
  // A file the run should convert and that gave no output failed, whatever the reason.
  if (HasInputEnding(path) && result.output.empty()) result.failed = true;
  return result;
}

}  // namespace

std::uint32_t ConversionThreadProc(IConversionHost* host) {
  if (host == nullptr) return 1;
  COutputStep output(host->GetOutputFolder());
  // The count is asked anew before every file, as the host's list may say otherwise by then.
  for (int i = 0; i < host->GetFileCount(); ++i) {
    const SFileResult result = ConvertOneFile(host->GetFileText(i), output);
    host->RecordResult(result);
    if (result.stopped) break;
    ++host->m_nFilesDone;
  }
  if (host->GetFileCount() != 0) ShowMessageBox(kDoneText);
  return 0;
}

}  // namespace tavi
