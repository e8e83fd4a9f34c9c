#pragma once

#include <cstdint>

#include "import/save_tavi_file.h"
#include "platform/wide_string.h"

namespace tavi {

// Converts a delimited text file (".csv" or ".txt": UTF-16 with FF FE, UTF-8 with EF BB BF, else
// Windows-1252), one POI per line: longitude; latitude; name and up to seven further texts.
// Returns -1 when the file cannot be opened or read, 0 when it holds no good line, otherwise the
// result of saveTaviFile.
std::int32_t ImportCsvFile(const WString& path, const SaveTaviFileFunction& saveTaviFile);

}  // namespace tavi
