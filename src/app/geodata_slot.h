#pragma once

#include <cstdint>
#include <functional>

#include "import/file_result.h"
#include "import/save_tavi_file.h"
#include "platform/wide_string.h"

namespace tavi {

// An importer as the worker calls it: the input path, the output step and what became of the file.
using ImportFileFunction = std::function<std::int32_t(
    const WString& path, const SaveTaviFileFunction& saveTaviFile, SFileResult& result)>;

// The geodata formats are read through GDAL, which the engine does not link: a front end built
// with it installs its importer here once, before the first run. Without one, every geodata file
// fails to open with the reason "built without GDAL".
void SetGeodataImporter(ImportFileFunction importer);

// Runs the installed geodata importer on path (or the one that says it is missing).
std::int32_t ImportGeodataFile(const WString& path, const SaveTaviFileFunction& saveTaviFile,
                               SFileResult& result);

}  // namespace tavi
