#include "app/output_step.h"

#include <filesystem>
#include <utility>

#include "platform/convertor_messages.h"
#include "platform/file.h"
#include "platform/path.h"
#include "writer/tavi_file.h"

namespace tavi {

namespace {

constexpr std::int32_t kOutputFailed = -1;

// Two spellings of one file are one output.
WString AbsolutePath(const WString& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(ToNativePath(path), error);
  return error ? path : FromNativePath(absolute.lexically_normal());
}

}  // namespace

COutputStep::COutputStep(WString outputFolder) : m_outputFolder(std::move(outputFolder)) {}

std::int32_t COutputStep::SaveTaviFile(const BoundingRect& bounds, const WString& folder,
                                       CElementArena&& elements, const WString& title,
                                       SFileResult& result) {
  // Taken over at once: whatever happens below, the elements end with this call.
  CElementArena owned = std::move(elements);
  const WString& outputFolder = m_outputFolder.empty() ? folder : m_outputFolder;
  const WString path = outputFolder + kPathSeparator + title + u".tavi";
  try {
    return Write(path, bounds, std::move(owned), result);
  } catch (const CFileException& error) {
    // The file object is gone by now, and with it the replacement it had begun.
    PostLogLine(u"Failed to write TAVI file - " + path + ReasonSuffix(error.what()));
    return kOutputFailed;
  }
}

std::int32_t COutputStep::Write(const WString& path, const BoundingRect& bounds,
                                CElementArena&& elements, SFileResult& result) {
  CCustomTaviFile file;
  if (!file.Create(path, bounds)) {
    PostLogLine(u"Failed to create TAVI file - " + path +
                ReasonSuffix(DescribeError(file.GetLastError())));
    return kOutputFailed;
  }
  const WString key = AbsolutePath(path);
  if (const auto earlier = m_written.find(key); earlier != m_written.end()) {
    file.SetSaveNotice(u"Overwriting the output of " + earlier->second + u" - " + path);
  }
  const int saved = file.AddElementsAndSave(std::move(elements));
  result.poisLeftOut += file.GetLeftOutCount();
  if (saved != 0) {
    result.output = path;
    result.poisWritten += file.GetStoredCount();
    m_written[key] = result.input;
  }
  return saved;
}

}  // namespace tavi
