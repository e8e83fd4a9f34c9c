#include "model/tavi_address.h"

#include "model/archive_string.h"
#include "model/localized_string.h"
#include "model/record_io.h"

namespace tavi {

bool CTaviAddress::Load(CFile& file, std::int32_t version) {
  bool complete = ReadInt32(file, position.x) && ReadInt32(file, position.y);
  if (version <= 2) return complete;
  complete = LoadSavedString(file, addr1) && complete;
  complete = LoadSavedString(file, addr2) && complete;
  for (CCompactString* local : {&localAddr1, &localAddr2, &localAddr3}) {
    complete = LoadLocalizedString(file, *local) && complete;
  }
  return LoadSavedString(file, addr3) && complete;
}

void CTaviAddress::Save(CRecordBuffer& record) const {
  AppendInt32(record, position.x);
  AppendInt32(record, position.y);
  AppendSavedString(addr1, record);
  AppendSavedString(addr2, record);
  AppendLocalizedString(localAddr1, record);
  AppendLocalizedString(localAddr2, record);
  AppendLocalizedString(localAddr3, record);
  AppendSavedString(addr3, record);
}

}  // namespace tavi
