#pragma once

#include <ostream>
#include <string>

namespace tavi::cli {

struct SMapOptions {
  std::string path;    // the ".tavi" file
  std::string output;  // the SVG file to write
  int size = 1024;     // width of the picture in pixels
};

// Writes an SVG picture of a ".tavi" file: its index rectangles and its POIs. A file that is not
// a TAVI file, or cannot be read or written, is named on err with exit status 1; a damaged file
// is pictured as far as it could be read, then named on err (exit status 1).
int RunMap(const SMapOptions& options, std::ostream& err);

}  // namespace tavi::cli
