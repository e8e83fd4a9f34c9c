#pragma once

#include <cstdint>

#include "import/file_result.h"
#include "import/save_tavi_file.h"
#include "platform/wide_string.h"

namespace tavi {

// Converts a GPX, KML/KMZ, GeoJSON, GeoPackage, Shapefile, FlatGeobuf or OSM file through GDAL:
// every layer in order (GPX: waypoints, or route points when there are none; OSM: named nodes and
// areas of a kind), a line or polygon by its point on surface, positions in WGS 84 rounded to
// 1/100000 degree. Returns -1 when the file cannot be opened or read, 0 when it holds no point of
// interest, otherwise the result of saveTaviFile. Features logged as "Bad data" (no name, no usable
// position) count in result's linesLeftOut; features that are no points of interest (OSM objects
// without a kind, GPX track points) do not: they were never meant to be read.
std::int32_t ImportGdalFile(const WString& path, const SaveTaviFileFunction& saveTaviFile,
                            SFileResult& result);

}  // namespace tavi
