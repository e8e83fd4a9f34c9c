#include "import/csv_importer.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "import/csv_chunk_reader.h"
#include "import/csv_reader.h"
#include "import/path_parts.h"
#include "platform/convertor_messages.h"
#include "platform/file.h"

namespace tavi {

namespace {

constexpr std::uint64_t kReadingPercentEnd = 30;

// Runs the reader over every chunk of the file and posts the reading progress before each chunk
// that starts after the first byte; the reason when the file cannot be opened or read.
std::optional<std::string> ReadFile(const WString& path, CCsvReader& reader) {
  CCsvChunkReader chunks;
  if (!chunks.Open(path)) return DescribeError(chunks.GetError());
  for (;;) {
    switch (chunks.ReadNextChunk()) {
      case CCsvChunkReader::Result::kEnd:
        return std::nullopt;
      case CCsvChunkReader::Result::kShortFile:
        return "the file could not be read to its end";
      case CCsvChunkReader::Result::kChunk:
        break;
    }
    const std::uint64_t consumed = chunks.GetChunkStart();
    if (consumed > 0) {
      PostProgress(static_cast<std::int32_t>(kReadingPercentEnd * consumed / chunks.GetLength()));
    }
    if (chunks.IsWide()) {
      reader.ReadChunk(chunks.Text(), chunks.EndsAtLineFeed());
    } else {
      reader.ReadChunk(chunks.Bytes(), chunks.GetCodePage(), chunks.EndsAtLineFeed());
    }
  }
}

}  // namespace

std::int32_t ImportCsvFile(const WString& path, const SaveTaviFileFunction& saveTaviFile,
                           SFileResult& result) {
  PostProgress(0);
  PostLogLine(u"\r\n");
  PostLogLine(u"Importing csv - " + path);

  CCsvReader reader(path, result);
  if (const std::optional<std::string> problem = ReadFile(path, reader)) {
    PostLogLine(u"Failed to open - " + path + ReasonSuffix(*problem));
    return -1;
  }

  if (reader.Records().Count() == 0) {
    PostLogLine(u"Nothing to import - " + path);
    return 0;
  }
  const std::int32_t saved = saveTaviFile(reader.Bounds(), GetFolderPart(path),
                                          std::move(reader.Records()), GetTitlePart(path));
  PostProgress(kProgressMaximum);
  return saved;
}

}  // namespace tavi
