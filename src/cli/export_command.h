#pragma once

#include <ostream>
#include <string>

namespace tavi::cli {

struct SExportOptions {
  std::string path;    // the ".tavi" file
  std::string output;  // the file to write
  std::string format;  // a GDAL driver name; empty: by the output's ending
};

// Writes the elements of a ".tavi" file through GDAL and reports "Exported N pois - OUTPUT" on
// out; a failure is named on err with exit status 1 and leaves no output behind.
int RunExport(const SExportOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tavi::cli
