#pragma once

#include <cstdint>
#include <string>

#include "platform/wide_string.h"

namespace tavi {

struct SExportResult {
  std::string problem;        // empty when the output was written
  std::uint64_t written = 0;  // elements written
};

// Writes every element of a ".tavi" file through GDAL, in the order of its index: a point in
// WGS 84 with every text that is not empty, under the attribute names of kElementTexts (a GPX
// file keeps the address in "desc" and text1 in "cmt", a KML file the address in "description").
// format is a GDAL driver name; empty chooses it by the output's ending (.gpx, .geojson, .json,
// .kml, .gpkg, .csv). The output is written under a temporary name beside it and replaces an
// existing file only when complete.
SExportResult ExportTaviFile(const WString& taviPath, const WString& outputPath,
                             const std::string& format);

}  // namespace tavi
