#include "model/tavi_media.h"

#include <array>

#include "model/archive_string.h"

namespace tavi {

namespace {

using TextFields = std::array<CCompactString*, 5>;
using ConstTextFields = std::array<const CCompactString*, 5>;

bool LoadTexts(const TextFields& fields, CFile& file) {
  bool complete = true;
  for (CCompactString* field : fields) complete = LoadSavedString(file, *field) && complete;
  return complete;
}

void SaveTexts(const ConstTextFields& fields, CRecordBuffer& record) {
  for (const CCompactString* field : fields) AppendSavedString(*field, record);
}

}  // namespace

bool CTaviMedia::Load(CFile& file) {
  return LoadTexts({&media1, &media2, &media3, &media4, &media5}, file);
}

void CTaviMedia::Save(CRecordBuffer& record) const {
  SaveTexts({&media1, &media2, &media3, &media4, &media5}, record);
}

bool CTaviLinks::Load(CFile& file) {
  return LoadTexts({&link1, &link2, &link3, &link4, &link5}, file);
}

void CTaviLinks::Save(CRecordBuffer& record) const {
  SaveTexts({&link1, &link2, &link3, &link4, &link5}, record);
}

}  // namespace tavi
