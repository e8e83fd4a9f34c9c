#pragma once

#include <cstdint>

#include "model/compact_string.h"
#include "model/geo.h"
#include "model/model_pool.h"
#include "platform/file.h"

namespace tavi {

class CTaviAddress : public CPooled<CTaviAddress> {
 public:
  // Files of version 2 and below hold the position only. True when every field of the version
  // was all there.
  bool Load(CFile& file, std::int32_t version);

  CCompactString addr1;
  CCompactString addr2;
  CCompactString localAddr1;
  CCompactString localAddr2;
  CCompactString localAddr3;
  CCompactString addr3;
  GeoPoint position = kNoPosition;
};

}  // namespace tavi
