#include "model/tavi_details.h"

#include "model/archive_string.h"
#include "model/localized_string.h"
#include "model/record_io.h"

namespace tavi {

namespace {

void SaveExtras(const CTaviDetails& details, CFile& file) {
  const SArchive archive{&file, ARCHIVE_MODE_UTF8};
  for (const CCompactString* extra :
       {&details.extra1, &details.extra2, &details.extra3, &details.extra4, &details.extra5,
        &details.extra6, &details.extra7, &details.extra8}) {
    SaveString(*extra, archive);
  }
}

void LoadExtras(CTaviDetails& details, CFile& file) {
  for (CCompactString* extra :
       {&details.extra1, &details.extra2, &details.extra3, &details.extra4, &details.extra5,
        &details.extra6, &details.extra7, &details.extra8}) {
    *extra = LoadSavedString(file);
  }
}

}  // namespace

bool CTaviDetails::Load(CFile& file, std::int32_t version) {
  bool complete = ReadInt32(file, id);
  complete = ReadUInt8(file, rating) && complete;
  name = LoadLocalizedString(file);
  address = std::make_unique<CTaviAddress>();
  address->Load(file, version);
  if (version < 4) return complete;
  text1 = LoadLocalizedString(file);
  text2 = LoadLocalizedString(file);
  category = std::make_unique<CTaviCategory>();
  category->Load(file);
  LoadExtras(*this, file);
  complete = ReadUInt8(file, extraByte) && complete;
  return ReadInt32(file, extraInt) && complete;
}

void CTaviDetails::Save(CFile& file) const {
  WriteInt32(file, id);
  WriteUInt8(file, rating);
  SaveLocalizedString(name, file);
  if (address) {
    address->Save(file);
  } else {
    CTaviAddress().Save(file);
  }
  SaveLocalizedString(text1, file);
  SaveLocalizedString(text2, file);
  if (category) {
    category->Save(file);
  } else {
    CTaviCategory().Save(file);
  }
  SaveExtras(*this, file);
  WriteUInt8(file, extraByte);
  WriteInt32(file, extraInt);
}

}  // namespace tavi
