#include "model/tavi_category.h"

#include "model/archive_string.h"
#include "model/record_io.h"

namespace tavi {

bool CTaviCategory::Load(CFile& file) {
  std::int32_t first = 0;
  std::int32_t second = 0;
  if (!ReadInt32(file, first) || !ReadInt32(file, second)) return false;
  code1 = first;
  code2 = second;
  return LoadSavedString(file, text);
}

}  // namespace tavi
