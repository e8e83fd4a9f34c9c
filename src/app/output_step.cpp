#include "app/output_step.h"

#include <utility>

#include "platform/convertor_messages.h"
#include "platform/file.h"
#include "platform/path.h"
#include "writer/tavi_file.h"

namespace tavi {

namespace {

constexpr std::int32_t kOutputFailed = -1;

std::int32_t WriteTaviFile(const WString& path, const BoundingRect& bounds,
                           ElementArray&& elements) {
  CCustomTaviFile file;
  if (!file.Create(path, bounds)) {
    PostLogLine(u"Failed to create TAVI file - " + path);
    return kOutputFailed;
  }
  return file.AddElementsAndSave(std::move(elements));
}

}  // namespace

std::int32_t SaveTaviFile(const BoundingRect& bounds, const WString& folder,
                          ElementArray&& elements, const WString& title) {
  // Taken over at once: whatever happens below, the elements end with this call.
  ElementArray owned = std::move(elements);
  const WString path = folder + kPathSeparator + title + u".tavi";
  try {
    return WriteTaviFile(path, bounds, std::move(owned));
  } catch (const CFileException&) {
    // The file object is gone by now, so the partial file is closed and can be removed.
    PostLogLine(u"Failed to write TAVI file - " + path);
    CFile::Remove(path);
    return kOutputFailed;
  }
}

}  // namespace tavi
