#include "model/localized_string.h"

#include "model/archive_string.h"
#include "model/record_io.h"

namespace tavi {

void SaveLocalizedString(const WString& text, CFile& file) {
  WriteUInt32(file, 1);
  WriteUInt8(file, currentLanguage);
  SaveString(text, SArchive{&file, ARCHIVE_MODE_UTF8});
}

void AppendLocalizedString(const CCompactString& text, CRecordBuffer& record) {
  AppendUInt32(record, 1);
  AppendUInt8(record, currentLanguage);
  AppendSavedString(text, record);
}

WString LoadLocalizedString(CFile& file) {
  std::uint32_t count = 0;
  if (!ReadUInt32(file, count)) return {};
  WString result;
  bool exactMatch = false;
  for (std::uint32_t entry = 0; entry < count; ++entry) {
    // Every entry starts with its language byte: at the end of the file the count was a lie.
    std::uint8_t language = 0;
    if (!ReadUInt8(file, language)) break;
    if (language == currentLanguage) {
      result = LoadSavedString(file);
      exactMatch = true;
    } else if (!exactMatch && (language == fallbackLanguage || result.empty())) {
      result = LoadSavedString(file);
    } else {
      SkipSavedString(file);
    }
  }
  return result;
}

}  // namespace tavi
