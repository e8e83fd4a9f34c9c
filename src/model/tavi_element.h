#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "model/geo.h"
#include "model/model_pool.h"
#include "model/tavi_details.h"
#include "model/tavi_media.h"
#include "platform/file.h"
#include "platform/wide_string.h"

namespace tavi {

// One point of interest of a TAVI file, with its optional details, media and links.
class CTaviElement : public CPooled<CTaviElement> {
 public:
  // Bits of presence: which sub-records follow the element's own fields in its record.
  static constexpr std::uint8_t kHasDetails = 1;
  static constexpr std::uint8_t kHasMedia = 2;
  static constexpr std::uint8_t kHasLinks = 4;

  // Reads the record at offset (the low 32 bits of a file position). Files before version 4 end
  // the record after the details. True when every field of the record that the version holds was
  // all there; a record cut short by the end of the file loads what arrived, leaves the remaining
  // fields empty and returns false.
  bool Load(CFile& file, std::int32_t offset, std::int32_t version);

  GeoPoint GetPosition() const;
  std::int32_t GetType() const { return type; }
  std::int32_t GetId() const { return id; }
  WString GetName() const;
  WString GetText1() const;
  WString GetText2() const;
  WString GetAddressLine() const;
  WString GetRatingString(const WString& unit) const;
  std::int32_t GetTypeCode() const;

  void SetName(WStringView name);
  void SetPosition(GeoPoint position);
  // Creates whichever of the details, their address and their category is missing.
  void EnsureDetails();

  std::unique_ptr<CTaviDetails> details;
  std::unique_ptr<CTaviMedia> media;
  std::unique_ptr<CTaviLinks> links;
  std::int32_t type = -1;
  std::int32_t id = -1;
  std::int32_t fileId = -1;  // set by the file that loaded the element; not part of the record
  std::int32_t offset = -1;
  std::uint8_t presence = 0;

 private:
  CTaviDetails& GetOrCreateDetails();
};

// The importers' and the writer's element arrays; the array owns its elements.
using ElementArray = std::vector<std::unique_ptr<CTaviElement>>;

}  // namespace tavi
