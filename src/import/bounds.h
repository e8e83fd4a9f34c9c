#pragma once

#include "model/geo.h"

namespace tavi {

// Shifts the rectangle by whole turns until its west edge lies within -180..180 degrees and its
// south edge within -90..90 degrees, then clamps north and south into -90..90. The east edge moves
// with the west edge but is never clamped, so a rectangle reaching across 180 degrees keeps an
// east edge above 180 (saturated at the int32 range).
void NormalizeBounds(BoundingRect& bounds);

// Text files: the first point sets the rectangle as it stands; later points widen it, and the
// result is normalised.
void IncludePoint(BoundingRect& bounds, GeoPoint point);

// Binary files: widens a non-empty rectangle by a point whose longitude is first taken one turn
// east or west when that lies nearer the rectangle's centre, so that points on both sides of 180
// degrees give a narrow rectangle instead of one spanning the globe. Latitude is never shifted.
void IncludePointNearCentre(BoundingRect& bounds, GeoPoint point);

}  // namespace tavi
