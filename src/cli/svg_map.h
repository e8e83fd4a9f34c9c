#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "writer/tavi_contents.h"

namespace tavi::cli {

// The picture's limits: a file of a million POIs must still give a file a viewer opens.
struct SMapLimits {
  std::uint64_t points = 200000;
  std::uint64_t rectangles = 200000;
};

// Draws an opened ".tavi" file as SVG text: the index rectangles (leaves outlined, every node
// shaded by its depth), the POIs as dots, and a legend (title, POI count, index depth, leaf
// count, and what was left out when the limits were reached). The view is equirectangular,
// fitted to the root rectangle, width pixels wide (or narrower when the area is very tall).
void WriteSvgMap(CTaviContents& contents, const std::string& title, int width, std::ostream& out,
                 const SMapLimits& limits = {});

}  // namespace tavi::cli
