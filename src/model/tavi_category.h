#pragma once

#include <cstdint>

#include "model/compact_string.h"
#include "model/model_pool.h"
#include "platform/file.h"

namespace tavi {

class CTaviCategory : public CPooled<CTaviCategory> {
 public:
  // Leaves the category unchanged and returns false when its two codes are not all there; also
  // false when its text was cut short.
  bool Load(CFile& file);

  std::int32_t code1 = -1;
  std::int32_t code2 = -1;
  CCompactString text;
};

}  // namespace tavi
