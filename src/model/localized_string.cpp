#include "model/localized_string.h"

#include "model/archive_string.h"
#include "model/record_io.h"

namespace tavi {

namespace {

// Reads the text of an entry in language into field or passes over it; false when it was cut
// short.
bool LoadEntry(CFile& file, std::uint8_t language, CCompactString& field, bool& exactMatch) {
  if (language == currentLanguage) {
    exactMatch = true;
    return LoadSavedString(file, field);
  }
  if (!exactMatch && (language == fallbackLanguage || field.empty())) {
    return LoadSavedString(file, field);
  }
  return SkipSavedString(file);
}

}  // namespace

void SaveLocalizedString(const WString& text, CFile& file) {
  WriteUInt32(file, 1);
  WriteUInt8(file, currentLanguage);
  SaveString(text, SArchive{&file, ARCHIVE_MODE_UTF8});
}

bool LoadLocalizedString(CFile& file, CCompactString& field) {
  field = CCompactString();
  std::uint32_t count = 0;
  if (!ReadUInt32(file, count)) return false;
  bool exactMatch = false;
  for (std::uint32_t entry = 0; entry < count; ++entry) {
    // Every entry starts with its language byte: at the end of the file the count was a lie. An
    // entry cut short leaves the file at its end, where no later entry can arrive either.
    std::uint8_t language = 0;
    if (!ReadUInt8(file, language) || !LoadEntry(file, language, field, exactMatch)) return false;
  }
  return true;
}

}  // namespace tavi
