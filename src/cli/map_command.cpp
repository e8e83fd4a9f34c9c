#include "cli/map_command.h"

#include <filesystem>
#include <fstream>

#include "cli/convert_command.h"
#include "cli/svg_map.h"
#include "cli/tavi_input.h"
#include "writer/tavi_contents.h"

namespace tavi::cli {

int RunMap(const SMapOptions& options, std::ostream& err) {
  CTaviContents contents;
  const std::string problem = OpenTaviInput(contents, options.path);
  if (!problem.empty()) {
    err << "tavi: " << problem << '\n';
    return kExitFailure;
  }
  std::ofstream out(options.output, std::ios::binary | std::ios::trunc);
  if (out) {
    const std::string title = std::filesystem::path(options.path).filename().string();
    WriteSvgMap(contents, title, options.size, out);
    out.close();
  }
  if (!out) {
    err << "tavi: " << options.output << ": cannot write the picture\n";
    return kExitFailure;
  }
  if (!contents.Complete()) {
    err << "tavi: " << options.path << ": the file is damaged or cut short\n";
    return kExitFailure;
  }
  return kExitSuccess;
}

}  // namespace tavi::cli
