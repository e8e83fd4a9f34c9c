#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "model/tavi_element.h"
#include "platform/wide_string.h"

namespace tavi {

struct SExportResult {
  std::string problem;        // empty when the output was written
  std::uint64_t written = 0;  // elements written
};

// Hands the element to the export; false stops the visit.
using ExportVisitor = std::function<bool(CTaviElement& element)>;
// The elements to export, handed to visit in order, as often as the export asks. Returns false
// when they could not all be read (a damaged or cut file): the export then fails.
using ExportSource = std::function<bool(const ExportVisitor& visit)>;

// The problem with writing outputPath in format (a GDAL driver name; empty chooses by the ending:
// .gpx, .geojson, .json, .kml, .gpkg, .csv), or nothing when GDAL can write it.
std::string FindExportProblem(const WString& outputPath, const std::string& format);

// Writes the elements through GDAL as one layer named layerName: a point in WGS 84 with every
// text that is not empty, under the attribute names of kElementTexts (a GPX file keeps the
// address in "desc" and text1 in "cmt", a KML file the address in "description"). The output is
// written under a temporary name beside it and replaces an existing file only when complete.
SExportResult ExportElements(const ExportSource& source, const std::string& layerName,
                             const WString& outputPath, const std::string& format);

}  // namespace tavi
