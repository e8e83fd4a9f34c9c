#include "model/tavi_address.h"

#include "model/archive_string.h"
#include "model/localized_string.h"
#include "model/record_io.h"

namespace tavi {

bool CTaviAddress::Load(CFile& file, std::int32_t version) {
  const bool complete = ReadInt32(file, position.x) && ReadInt32(file, position.y);
  if (version <= 2) return complete;
  addr1 = LoadSavedString(file);
  addr2 = LoadSavedString(file);
  localAddr1 = LoadLocalizedString(file);
  localAddr2 = LoadLocalizedString(file);
  localAddr3 = LoadLocalizedString(file);
  addr3 = LoadSavedString(file);
  return complete;
}

void CTaviAddress::Save(CFile& file) const {
  const SArchive archive{&file, ARCHIVE_MODE_UTF8};
  WriteInt32(file, position.x);
  WriteInt32(file, position.y);
  SaveString(addr1, archive);
  SaveString(addr2, archive);
  SaveLocalizedString(localAddr1, file);
  SaveLocalizedString(localAddr2, file);
  SaveLocalizedString(localAddr3, file);
  SaveString(addr3, archive);
}

}  // namespace tavi
