#include "import/gep_importer.h"

#include <memory>
#include <utility>

#include "import/ov2_file.h"
#include "import/path_parts.h"
#include "model/tavi_element.h"
#include "platform/convertor_messages.h"

namespace tavi {

namespace {

constexpr std::int32_t kFailedToOpen = -999;
constexpr std::int32_t kFailedToRead = -1;
constexpr std::int32_t kEmptyFile = -2;
constexpr std::int32_t kNothingToImport = 1;

// One element per POI that has a position, in file order.
ElementArray MakeElements(const std::vector<Ov2Entry>& entries) {
  ElementArray elements;
  for (const Ov2Entry& entry : entries) {
    const GeoPoint position{entry.x, entry.y};
    if (position == kNoPosition) continue;
    auto element = std::make_unique<CTaviElement>();
    element->SetName(entry.name);
    element->SetPosition(position);
    elements.push_back(std::move(element));
  }
  return elements;
}

}  // namespace

std::int32_t ImportGepFile(const WString& path, const SaveTaviFileFunction& saveTaviFile) {
  PostProgress(0);
  PostLogLine(u"\r\n");
  PostLogLine(u"Importing gep - " + path);

  COv2File reader;
  if (!reader.Open(path)) {
    PostLogLine(u"Failed to open - " + path);
    return kFailedToOpen;
  }
  if (reader.GetTitle().empty()) {
    PostLogLine(u"Failed to read - " + path);
    return kFailedToRead;
  }
  BoundingRect bounds;
  const std::vector<Ov2Entry>& entries = reader.ReadAllEntries(bounds);
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

}  // namespace tavi
