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

}  // namespace tavi
