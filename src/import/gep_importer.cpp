#include "import/gep_importer.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "import/ov2_file.h"
#include "import/path_parts.h"
#include "model/geo.h"
#include "model/tavi_element.h"
#include "platform/code_page.h"
#include "platform/convertor_messages.h"
#include "platform/file.h"

namespace tavi {

namespace {

constexpr std::int32_t kFailedToOpen = -999;
constexpr std::int32_t kFailedToRead = -1;
constexpr std::int32_t kEmptyFile = -2;
constexpr std::int32_t kNothingToImport = 1;

// Why a record's position cannot be stored; empty when it can.
std::string PositionProblem(const Ov2Entry& entry) {
  if (entry.x < -kAntimeridian || entry.x > kAntimeridian) {
    return "longitude " + FormatDegrees(entry.x) + " is outside -180..180";
  }
  if (entry.y < -kMaxLatitude || entry.y > kMaxLatitude) {
    return "latitude " + FormatDegrees(entry.y) + " is outside -90..90";
  }
  return {};
}

// The records that are left out, in file order: those off the globe and those that ended a walk.
std::vector<Ov2Problem> CollectProblems(const COv2File& reader,
                                        const std::vector<Ov2Entry>& entries) {
  std::vector<Ov2Problem> problems = reader.GetProblems();
  for (const Ov2Entry& entry : entries) {
    if (GeoPoint{entry.x, entry.y} == kNoPosition) continue;
    std::string reason = PositionProblem(entry);
    if (!reason.empty()) problems.push_back({entry.offset, std::move(reason)});
  }
  std::stable_sort(problems.begin(), problems.end(),
                   [](const Ov2Problem& a, const Ov2Problem& b) { return a.offset < b.offset; });
  return problems;
}

void LogProblems(const WString& path, const std::vector<Ov2Problem>& problems) {
  for (const Ov2Problem& problem : problems) {
    PostLogLine(u"Bad data - " + path +
                Utf8ToWide(" (record at offset " + std::to_string(problem.offset) + ": " +
                           problem.reason + ")"));
  }
}

// One element per POI that has a position on the globe, in file order.
ElementArray MakeElements(const std::vector<Ov2Entry>& entries) {
  ElementArray elements;
  for (const Ov2Entry& entry : entries) {
    const GeoPoint position{entry.x, entry.y};
    if (!IsOnGlobe(position)) continue;
    auto element = std::make_unique<CTaviElement>();
    element->SetName(entry.name);
    element->SetPosition(position);
    elements.push_back(std::move(element));
  }
  return elements;
}

std::int32_t ConvertEntries(const WString& path, COv2File& reader, const BoundingRect& bounds,
                            const std::vector<Ov2Entry>& entries,
                            const SaveTaviFileFunction& saveTaviFile) {
  if (entries.empty()) {
    PostLogLine(u"GEP is empty - " + path);
    return kEmptyFile;
  }
  ElementArray elements = MakeElements(entries);
  if (elements.empty()) {
    PostLogLine(u"Nothing to import from - " + path);
    return kNothingToImport;
  }
  const WString title = reader.GetTitle();
  reader.Close();  // the entries are no longer needed while the output step runs
  return saveTaviFile(bounds, GetFolderPart(path), std::move(elements), title);
}

}  // namespace

std::int32_t ImportGepFile(const WString& path, const SaveTaviFileFunction& saveTaviFile,
                           SFileResult& result) {
  PostProgress(0);
  PostLogLine(u"\r\n");
  PostLogLine(u"Importing gep - " + path);

  COv2File reader;
  if (!reader.Open(path)) {
    PostLogLine(u"Failed to open - " + path + ReasonSuffix(reader.GetOpenProblem()));
    return kFailedToOpen;
  }
  if (reader.GetTitle().empty()) {
    PostLogLine(u"Failed to read - " + path);
    return kFailedToRead;
  }
  BoundingRect bounds;
  const std::vector<Ov2Entry>& entries = reader.ReadAllEntries(bounds);
  const bool cutShort = reader.IsCutShort();
  const std::vector<Ov2Problem> problems = CollectProblems(reader, entries);
  LogProblems(path, problems);
  result.recordsLeftOut += static_cast<std::int64_t>(problems.size());
  const std::int32_t converted = ConvertEntries(path, reader, bounds, entries, saveTaviFile);
  // What the file still held is converted, but the file as a whole is not.
  if (cutShort) {
    PostLogLine(u"GEP is cut short - " + path);
    result.failed = true;
  }
  return converted;
}

}  // namespace tavi
