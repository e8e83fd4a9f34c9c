#include "model/tavi_details.h"

#include "model/archive_string.h"
#include "model/localized_string.h"
#include "model/record_io.h"

namespace tavi {

namespace {

bool LoadExtras(CTaviDetails& details, CFile& file) {
  bool complete = true;
  for (CCompactString* extra :
       {&details.extra1, &details.extra2, &details.extra3, &details.extra4, &details.extra5,
        &details.extra6, &details.extra7, &details.extra8}) {
    complete = LoadSavedString(file, *extra) && complete;
  }
  return complete;
}

}  // namespace

bool CTaviDetails::Load(CFile& file, std::int32_t version) {
  bool complete = ReadInt32(file, id);
  complete = ReadUInt8(file, rating) && complete;
  complete = LoadLocalizedString(file, name) && complete;
  address = std::make_unique<CTaviAddress>();
  complete = address->Load(file, version) && complete;
  if (version < 4) return complete;
  complete = LoadLocalizedString(file, text1) && complete;
  complete = LoadLocalizedString(file, text2) && complete;
  category = std::make_unique<CTaviCategory>();
  complete = category->Load(file) && complete;
  complete = LoadExtras(*this, file) && complete;
  complete = ReadUInt8(file, extraByte) && complete;
  return ReadInt32(file, extraInt) && complete;
}

}  // namespace tavi
