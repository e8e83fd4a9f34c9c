#pragma once

#include <cstdint>

#include "import/save_tavi_file.h"
#include "platform/wide_string.h"

namespace tavi {

// What one geodata import left out: features logged as "Bad data" (no name, no usable position).
// Features that are no points of interest (OSM objects without a kind, GPX track points) are not
// counted: they were never meant to be read.
struct SGeodataCounts {
  std::uint64_t featuresLeftOut = 0;
};

// Converts a GPX, KML/KMZ, GeoJSON, GeoPackage, Shapefile, FlatGeobuf or OSM file through GDAL:
// every layer in order (GPX: waypoints, or route points when there are none; OSM: named nodes and
// areas of a kind), a line or polygon by its point on surface, positions in WGS 84 rounded to
// 1/100000 degree. Returns -1 when the file cannot be opened or read, 0 when it holds no point of
// interest, otherwise the result of saveTaviFile.
std::int32_t ImportGdalFile(const WString& path, const SaveTaviFileFunction& saveTaviFile,
                            SGeodataCounts& counts);
std::int32_t ImportGdalFile(const WString& path, const SaveTaviFileFunction& saveTaviFile);

}  // namespace tavi
