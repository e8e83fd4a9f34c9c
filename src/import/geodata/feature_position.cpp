#include "import/geodata/feature_position.h"

#include <ogr_api.h>
#include <ogr_geometry.h>
#include <ogr_spatialref.h>

#include <charconv>
#include <cmath>

namespace tavi {

namespace {

constexpr double kUnitsPerDegree = 100000.0;

// The value as written by the shortest form that reads back the same.
std::string Shortest(double value) {
  char text[32];
  const std::to_chars_result end = std::to_chars(text, text + sizeof(text), value);
  return std::string(text, end.ptr);
}

// Empty when value lies in -limit..limit; a NaN lies nowhere.
std::string CheckRange(const char* what, double value, int limit) {
  if (value >= -limit && value <= limit) return {};
  return std::string(what) + " " + Shortest(value) + " is outside -" + std::to_string(limit) +
         ".." + std::to_string(limit);
}

std::int32_t ToUnits(double degrees) {
  return static_cast<std::int32_t>(std::lround(degrees * kUnitsPerDegree));
}

bool IsLineOrArea(OGRwkbGeometryType type) {
  return OGR_GT_IsCurve(type) || OGR_GT_IsSurface(type) ||
         OGR_GT_IsSubClassOf(type, wkbMultiCurve) || OGR_GT_IsSubClassOf(type, wkbMultiSurface);
}

// The point that stands for the geometry, in the layer's coordinates.
bool FindPoint(const OGRGeometry& geometry, double& x, double& y, std::string& problem) {
  const OGRwkbGeometryType type = wkbFlatten(geometry.getGeometryType());
  if (type == wkbPoint) {
    x = geometry.toPoint()->getX();
    y = geometry.toPoint()->getY();
    return true;
  }
  if (!IsLineOrArea(type)) {
    problem = std::string("a ") + OGRGeometryTypeToName(type) +
              " geometry is not a point, line or polygon";
    return false;
  }
  OGRGeometryH onSurface =
      OGR_G_PointOnSurface(OGRGeometry::ToHandle(const_cast<OGRGeometry*>(&geometry)));
  const OGRGeometry* point = OGRGeometry::FromHandle(onSurface);
  const bool found =
      point != nullptr && wkbFlatten(point->getGeometryType()) == wkbPoint && !point->IsEmpty();
  if (found) {
    x = point->toPoint()->getX();
    y = point->toPoint()->getY();
  } else {
    problem = "no point on the surface of the geometry";
  }
  OGR_G_DestroyGeometry(onSurface);
  return found;
}

}  // namespace

CPositionReader::CPositionReader(const OGRSpatialReference* source) {
  if (source == nullptr) return;
  OGRSpatialReference wgs84;
  wgs84.SetWellKnownGeogCS("WGS84");
  wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  // The same system with the same axis order and data axes needs no transformation.
  const char* const equivalent[] = {"CRITERION=EQUIVALENT", nullptr};
  if (source->IsSame(&wgs84, equivalent)) return;
  OGRSpatialReference from(*source);
  m_transform.reset(OGRCreateCoordinateTransformation(&from, &wgs84));
  if (!m_transform) m_problem = "its reference system cannot be taken to WGS 84";
}

CPositionReader::~CPositionReader() = default;

SFeaturePosition CPositionReader::Read(const OGRGeometry* geometry) const {
  SFeaturePosition position;
  if (geometry == nullptr) {
    position.problem = "no geometry";
    return position;
  }
  if (geometry->IsEmpty()) {
    position.problem = "an empty geometry";
    return position;
  }
  double x = 0;
  double y = 0;
  if (!FindPoint(*geometry, x, y, position.problem)) return position;
  if (m_transform && !m_transform->Transform(1, &x, &y)) {
    position.problem = "the position cannot be taken to WGS 84";
    return position;
  }
  position.problem = CheckRange("longitude", x, 180);
  if (position.problem.empty()) position.problem = CheckRange("latitude", y, 90);
  if (position.problem.empty()) position.point = {ToUnits(x), ToUnits(y)};
  return position;
}

}  // namespace tavi
