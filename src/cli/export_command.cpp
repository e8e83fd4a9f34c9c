#include "cli/export_command.h"

#include <filesystem>

#include "cli/convert_command.h"
#include "import/geodata/geodata_exporter.h"
#include "platform/code_page.h"
#include "platform/path.h"

namespace tavi::cli {

int RunExport(const SExportOptions& options, std::ostream& out, std::ostream& err) {
  // The temporary file goes beside the output, so its folder must be known.
  const WString output = FromNativePath(std::filesystem::absolute(options.output));
  const SExportResult result =
      ExportTaviFile(FromNativePath(std::filesystem::path(options.path)), output, options.format);
  if (!result.problem.empty()) {
    err << "tavi: " << result.problem << '\n';
    return kExitFailure;
  }
  out << "Exported " << result.written << " pois - " << WideToUtf8(output) << '\n';
  return kExitSuccess;
}

}  // namespace tavi::cli
