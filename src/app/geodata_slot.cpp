#include "app/geodata_slot.h"

#include <utility>

#include "platform/convertor_messages.h"

namespace tavi {

namespace {

std::int32_t ImportWithoutGdal(const WString& path, const SaveTaviFileFunction&, SFileResult&) {
  PostProgress(0);
  PostLogLine(u"\r\n");
  PostLogLine(u"Importing geodata - " + path);
  PostLogLine(u"Failed to open - " + path + u" (built without GDAL)");
  return -1;
}

// Written once by a front end's start-up, before any worker thread exists; only read afterwards.
ImportFileFunction& GeodataImporter() {
  static ImportFileFunction importer = ImportWithoutGdal;
  return importer;
}

}  // namespace

void SetGeodataImporter(ImportFileFunction importer) {
  GeodataImporter() = std::move(importer);
}

std::int32_t ImportGeodataFile(const WString& path, const SaveTaviFileFunction& saveTaviFile,
                               SFileResult& result) {
  return GeodataImporter()(path, saveTaviFile, result);
}

}  // namespace tavi
