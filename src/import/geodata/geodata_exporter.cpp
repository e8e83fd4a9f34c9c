#include "import/geodata/geodata_exporter.h"

#include <gdal_priv.h>
#include <ogrsf_frmts.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "import/geodata/element_texts.h"
#include "import/geodata/gdal_support.h"
#include "platform/code_page.h"

namespace tavi {

namespace {

namespace fs = std::filesystem;

constexpr double kDegreesPerUnit = 1e-5;

struct SFormatByEnding {
  WStringView ending;
  const char* driver;
};

constexpr std::array<SFormatByEnding, 6> kFormats{{{u".gpx", "GPX"},
                                                   {u".geojson", "GeoJSON"},
                                                   {u".json", "GeoJSON"},
                                                   {u".kml", "KML"},
                                                   {u".gpkg", "GPKG"},
                                                   {u".csv", "CSV"}}};

std::string ChooseFormat(const WString& outputPath, const std::string& format) {
  if (!format.empty()) return format;
  for (const SFormatByEnding& known : kFormats) {
    if (WStringView(outputPath).ends_with(known.ending)) return known.driver;
  }
  return {};
}

// Attribute names the formats give a meaning of their own, so that other programs show them.
const char* AttributeName(std::string_view driver, std::size_t text) {
  if (driver == "GPX" && text == kAddressText) return "desc";
  if (driver == "GPX" && text == kText1) return "cmt";
  if ((driver == "KML" || driver == "LIBKML") && text == kAddressText) return "description";
  return kElementTexts[text].names[0];
}

using TextSet = std::bitset<kElementTextCount>;

// The texts some element of the file holds: only those become attributes.
TextSet FindUsedTexts(const ExportSource& source) {
  TextSet used;
  source([&used](CTaviElement& element) {
    for (std::size_t i = 0; i < kElementTextCount; ++i) {
      const CCompactString* text = kElementTexts[i].field(element, false);
      if (text != nullptr && !text->empty()) used.set(i);
    }
    return true;
  });
  return used;
}

// The output is written under its own name with this prefix, so that drivers that go by the
// ending still see it, and a format that writes several files names them all alike.
std::string TemporaryPrefix() {
  return ".tavi-export-" + std::to_string(::getpid()) + "-";
}

// What this export wrote under its temporary prefix: a driver may write several files (a
// Shapefile's .shp, .shx, .dbf, .prj) or a folder (CSV without the ending).
std::vector<fs::path> TemporaryEntries(const fs::path& folder, const std::string& prefix) {
  std::vector<fs::path> entries;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    if (entry.path().filename().string().starts_with(prefix)) entries.push_back(entry.path());
  }
  return entries;
}

// Gives each written file its final name; the problem, or nothing.
std::string MoveIntoPlace(const fs::path& folder, const std::string& prefix) {
  for (const fs::path& from : TemporaryEntries(folder, prefix)) {
    const fs::path to = folder / from.filename().string().substr(prefix.size());
    std::error_code error;
    fs::rename(from, to, error);
    if (error) return to.string() + ": " + error.message();
  }
  return {};
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

void RemoveTemporary(const fs::path& folder, const std::string& prefix) {
  std::error_code ignored;
  for (const fs::path& entry : TemporaryEntries(folder, prefix)) fs::remove_all(entry, ignored);
}

class CExport {
 public:
  CExport(GDALDriver& driver, const ExportSource& source, const std::string& layerName)
      : m_driver(driver), m_source(source), m_layerName(layerName) {}

  // Writes the file at path; false with the reason kept in the error trap or in problem.
  bool Write(const std::string& path, std::string& problem);
  std::uint64_t Written() const { return m_written; }

 private:
  bool CreateLayer(const TextSet& used);
  bool WriteElements();
  bool WriteElement(CTaviElement& element);

  GDALDriver& m_driver;
  const ExportSource& m_source;
  const std::string& m_layerName;
  bool m_sourceWhole = true;
  GDALDatasetUniquePtr m_dataset;
  OGRLayer* m_layer = nullptr;
  std::array<int, kElementTextCount> m_fields{};
  std::uint64_t m_written = 0;
};

bool CExport::Write(const std::string& path, std::string& problem) {
  const TextSet used = FindUsedTexts(m_source);
  const char* const gpxOptions[] = {"GPX_USE_EXTENSIONS=YES", nullptr};
  m_dataset.reset(
      m_driver.Create(path.c_str(), 0, 0, 0, GDT_Unknown,
                      std::string_view(m_driver.GetDescription()) == "GPX" ? gpxOptions : nullptr));
  if (!m_dataset) return false;
  const bool written = CreateLayer(used) && WriteElements();
  // Closing writes what the driver still holds; a failure then goes to the error trap.
  m_dataset.reset();
  if (written && !m_sourceWhole) problem = "the elements could not all be read";
  return written && problem.empty();
}

bool CExport::WriteElements() {
  // One transaction, where the format has them, instead of one per feature.
  const bool transaction = m_dataset->StartTransaction() == OGRERR_NONE;
  bool written = true;
  m_sourceWhole = m_source([this, &written](CTaviElement& element) {
    written = WriteElement(element);
    return written;
  });
  return written && (!transaction || m_dataset->CommitTransaction() == OGRERR_NONE);
}

bool CExport::CreateLayer(const TextSet& used) {
  OGRSpatialReference wgs84;
  wgs84.SetWellKnownGeogCS("WGS84");
  wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  const char* const csvOptions[] = {"GEOMETRY=AS_XY", nullptr};
  const std::string_view driver = m_driver.GetDescription();
  m_layer =
      m_dataset->CreateLayer(m_layerName.empty() ? "pois" : m_layerName.c_str(), &wgs84, wkbPoint,
                             driver == "CSV" ? const_cast<char**>(csvOptions) : nullptr);
  if (m_layer == nullptr) return false;
  m_fields.fill(-1);
  for (std::size_t i = 0; i < kElementTextCount; ++i) {
    if (!used.test(i)) continue;
    const char* attribute = AttributeName(driver, i);
    // GPX layers come with their standard fields.
    if (m_layer->GetLayerDefn()->GetFieldIndex(attribute) < 0) {
      OGRFieldDefn field(attribute, OFTString);
      if (m_layer->CreateField(&field) != OGRERR_NONE) return false;
    }
    m_fields[i] = m_layer->GetLayerDefn()->GetFieldIndex(attribute);
  }
  return true;
}

bool CExport::WriteElement(CTaviElement& element) {
  OGRFeature feature(m_layer->GetLayerDefn());
  const GeoPoint position = element.GetPosition();
  const OGRPoint point(position.x * kDegreesPerUnit, position.y * kDegreesPerUnit);
  feature.SetGeometry(&point);
  for (std::size_t i = 0; i < kElementTextCount; ++i) {
    const CCompactString* text = kElementTexts[i].field(element, false);
    if (m_fields[i] < 0 || text == nullptr || text->empty()) continue;
    feature.SetField(m_fields[i], std::string(text->utf8()).c_str());
  }
  if (m_layer->CreateFeature(&feature) != OGRERR_NONE) return false;
  ++m_written;
  return true;
}

// The driver that writes outputPath; null, with the problem, when there is none.
GDALDriver* FindDriver(const WString& outputPath, const std::string& format, std::string& problem) {
  const std::string name = ChooseFormat(outputPath, format);
  if (name.empty()) {
    problem = "cannot tell the format from the name " + WideToUtf8(outputPath) +
              "; name one with --format";
    return nullptr;
  }
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(name.c_str());
  if (driver == nullptr || driver->GetMetadataItem(GDAL_DCAP_VECTOR) == nullptr ||
      driver->GetMetadataItem(GDAL_DCAP_CREATE) == nullptr) {
    problem = "GDAL cannot write the format " + name;
    return nullptr;
  }
  return driver;
}

}  // namespace

std::string FindExportProblem(const WString& outputPath, const std::string& format) {
  EnsureGdalReady();
  std::string problem;
  FindDriver(outputPath, format, problem);
  return problem;
}

SExportResult ExportElements(const ExportSource& source, const std::string& layerName,
                             const WString& outputPath, const std::string& format) {
  EnsureGdalReady();
  CGdalErrorTrap errors;
  SExportResult result;
  GDALDriver* driver = FindDriver(outputPath, format, result.problem);
  if (driver == nullptr) return result;
  std::error_code noWorkingFolder;  // a relative output then has no place, and writing fails
  const fs::path output = fs::absolute(fs::path(WideToUtf8(outputPath)), noWorkingFolder);
  const std::string prefix = TemporaryPrefix();
  const std::string temporary = (output.parent_path() / (prefix + output.filename().string()));
  CExport writer(*driver, source, layerName);
  const bool written = writer.Write(temporary, result.problem);
  if (written && !errors.Failed()) {
    result.problem = MoveIntoPlace(output.parent_path(), prefix);
  } else if (result.problem.empty()) {
    // GDAL names the file it was given; the user knows it by its final name.
    result.problem = errors.Failed() ? Replaced(errors.Failure(), temporary, output.string())
                                     : "GDAL could not write the file";
  }
  if (!result.problem.empty()) {
    RemoveTemporary(output.parent_path(), prefix);
    return result;
  }
  result.written = writer.Written();
  return result;
}

}  // namespace tavi
