#include "model/tavi_media.h"

#include <array>

#include "model/archive_string.h"

namespace tavi {

namespace {

using TextFields = std::array<CCompactString*, 5>;

bool LoadTexts(const TextFields& fields, CFile& file) {
  bool complete = true;
  for (CCompactString* field : fields) complete = LoadSavedString(file, *field) && complete;
  return complete;
}

}  // namespace

bool CTaviMedia::Load(CFile& file) {
  return LoadTexts({&media1, &media2, &media3, &media4, &media5}, file);
}

bool CTaviLinks::Load(CFile& file) {
  return LoadTexts({&link1, &link2, &link3, &link4, &link5}, file);
}

}  // namespace tavi
