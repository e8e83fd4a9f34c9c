#pragma once

#include <memory>
#include <string>

#include "model/geo.h"

class OGRCoordinateTransformation;
class OGRGeometry;
class OGRSpatialReference;

namespace tavi {

// The position of a point of interest, or why a geometry gives none.
struct SFeaturePosition {
  GeoPoint point;
  std::string problem;  // empty when point holds the position
};

// Turns one layer's geometries into positions: a point as it is, a line or a polygon by its
// point on surface, taken to WGS 84 in longitude-latitude order when the layer has another
// reference system, rounded to the nearest 1/100000 degree and checked against -180..180 and
// -90..90 as read. Anything else (several points, a collection, nothing) has no position.
class CPositionReader {
 public:
  // source: the layer's reference system; null means WGS 84 coordinates as they stand.
  explicit CPositionReader(const OGRSpatialReference* source);
  ~CPositionReader();
  CPositionReader(const CPositionReader&) = delete;
  CPositionReader& operator=(const CPositionReader&) = delete;

  // Why no geometry of the layer can be taken to WGS 84; empty when they can.
  const std::string& Problem() const { return m_problem; }

  SFeaturePosition Read(const OGRGeometry* geometry) const;

 private:
  std::unique_ptr<OGRCoordinateTransformation> m_transform;
  std::string m_problem;
};

}  // namespace tavi
