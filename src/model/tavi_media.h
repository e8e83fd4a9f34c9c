#pragma once

#include <cstdint>

#include "model/compact_string.h"
#include "model/model_pool.h"
#include "platform/file.h"

namespace tavi {

// Media and links are five texts each, stored alike. Load is false when a text was cut short.
class CTaviMedia : public CPooled<CTaviMedia> {
 public:
  bool Load(CFile& file);

  CCompactString media1;
  CCompactString media2;
  CCompactString media3;
  CCompactString media4;
  CCompactString media5;
};

class CTaviLinks : public CPooled<CTaviLinks> {
 public:
  bool Load(CFile& file);

  CCompactString link1;
  CCompactString link2;
  CCompactString link3;
  CCompactString link4;
  CCompactString link5;
};

}  // namespace tavi
