#pragma once

#include <cstdint>
#include <memory>

#include "model/compact_string.h"
#include "model/model_pool.h"
#include "model/tavi_address.h"
#include "model/tavi_category.h"
#include "platform/file.h"

namespace tavi {

class CTaviDetails : public CPooled<CTaviDetails> {
 public:
  // Files before version 4 end the details after the address. True when every field that the
  // version holds was all there.
  bool Load(CFile& file, std::int32_t version);

  std::unique_ptr<CTaviCategory> category;
  std::unique_ptr<CTaviAddress> address;
  CCompactString name;
  CCompactString text1;
  CCompactString text2;
  CCompactString extra1;
  CCompactString extra2;
  CCompactString extra3;
  CCompactString extra4;
  CCompactString extra5;
  CCompactString extra6;
  CCompactString extra7;
  CCompactString extra8;
  std::int32_t id = -1;
  std::int32_t extraInt = 0;
  std::uint8_t extraByte = 0;
  std::uint8_t rating = 0;  // how often GetRatingString repeats its unit
};

}  // namespace tavi
