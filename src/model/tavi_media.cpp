#include "model/tavi_media.h"

#include <array>

#include "model/archive_string.h"

namespace tavi {

namespace {

using TextFields = std::array<CCompactString*, 5>;
using ConstTextFields = std::array<const CCompactString*, 5>;

bool LoadTexts(const TextFields& fields, CFile& file) {
  for (CCompactString* field : fields) *field = LoadSavedString(file);
  return true;
}

std::int32_t SaveTexts(const ConstTextFields& fields, CFile& file) {
  const SArchive archive{&file, ARCHIVE_MODE_UTF8};
  std::int32_t last = 0;
  for (const CCompactString* field : fields) last = SaveString(*field, archive);
  return last;
}

}  // namespace

bool CTaviMedia::Load(CFile& file) {
  return LoadTexts({&media1, &media2, &media3, &media4, &media5}, file);
}

std::int32_t CTaviMedia::Save(CFile& file) const {
  return SaveTexts({&media1, &media2, &media3, &media4, &media5}, file);
}

bool CTaviLinks::Load(CFile& file) {
  return LoadTexts({&link1, &link2, &link3, &link4, &link5}, file);
}

std::int32_t CTaviLinks::Save(CFile& file) const {
  return SaveTexts({&link1, &link2, &link3, &link4, &link5}, file);
}

}  // namespace tavi
