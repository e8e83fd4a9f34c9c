#pragma once

#include <cstdint>

#include "import/file_result.h"
#include "import/save_tavi_file.h"
#include "platform/wide_string.h"

namespace tavi {

// Converts a delimited text file (".csv" or ".txt"; see CCsvChunkReader for its encodings), one
// POI per line: longitude; latitude; name and up to seven further texts. A header row may name
// the columns (see ColumnsFromHeader), and a file whose first line splits into three fields only
// at tabs or commas takes that separator. Every line that is not blank, a comment, a directive or
// the header and cannot be stored is logged as "Bad data - PATH (line N: reason)" and counted in
// result. Returns -1 when the file cannot be opened or read, 0 when it holds no good line,
// otherwise the result of saveTaviFile.
std::int32_t ImportCsvFile(const WString& path, const SaveTaviFileFunction& saveTaviFile,
                           SFileResult& result);

}  // namespace tavi
