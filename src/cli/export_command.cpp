#include "cli/export_command.h"

#include <filesystem>

#include "cli/convert_command.h"
#include "cli/tavi_input.h"
#include "import/geodata/geodata_exporter.h"
#include "platform/code_page.h"
#include "platform/path.h"
#include "writer/tavi_contents.h"

namespace tavi::cli {

int RunExport(const SExportOptions& options, std::ostream& out, std::ostream& err) {
  // The temporary file goes beside the output, so its folder must be known.
  const WString output = FromNativePath(std::filesystem::absolute(options.output));
  // A format GDAL cannot write is named before the file is read.
  std::string problem = FindExportProblem(output, options.format);
  CTaviContents contents;
  if (problem.empty()) problem = OpenTaviInput(contents, options.path);
  SExportResult result;
  if (problem.empty()) {
    const ExportSource source = [&contents](const ExportVisitor& visit) {
      bool going = true;
      contents.VisitElements([&going](std::uint64_t) { return going; },
                             [&going, &visit](CTaviElement& element) { going = visit(element); });
      return contents.Complete();
    };
    result = ExportElements(source, WideToUtf8(contents.Header().name), output, options.format);
    // Whatever else went wrong, a damaged input is what the user must hear of.
    problem =
        contents.Complete() ? result.problem : options.path + ": the file is damaged or cut short";
  }
  if (!problem.empty()) {
    err << "tavi: " << problem << '\n';
    return kExitFailure;
  }
  out << "Exported " << result.written << " pois - " << WideToUtf8(output) << '\n';
  return kExitSuccess;
}

}  // namespace tavi::cli
