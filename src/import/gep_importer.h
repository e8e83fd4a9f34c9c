#pragma once

#include <cstdint>

#include "import/file_result.h"
#include "import/save_tavi_file.h"
#include "platform/wide_string.h"

namespace tavi {

// Converts a ".gep" file. Returns -999 when it cannot be opened or its header read, -1 when its
// title is empty, -2 when it holds no POI, 1 when no POI has a position, otherwise the result of
// saveTaviFile.
// Records left out and a file cut short are noted in result.
std::int32_t ImportGepFile(const WString& path, const SaveTaviFileFunction& saveTaviFile,
                           SFileResult& result);

}  // namespace tavi
