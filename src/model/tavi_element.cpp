#include "model/tavi_element.h"

#include "model/record_io.h"

namespace tavi {

bool CTaviElement::Load(CFile& file, std::int32_t recordOffset, std::int32_t version) {
  offset = recordOffset;
  // Offsets are the low 32 bits of a position: read them unsigned, so that -1 is past any end.
  file.Seek(static_cast<std::int64_t>(static_cast<std::uint32_t>(recordOffset)), CFile::begin);
  bool complete = ReadInt32(file, id);
  complete = ReadInt32(file, type) && complete;
  complete = ReadUInt8(file, presence) && complete;
  if ((presence & kHasDetails) != 0) {
    details = std::make_unique<CTaviDetails>();
    complete = details->Load(file, version) && complete;
  }
  if (version < 4) return complete;
  if ((presence & kHasMedia) != 0) {
    media = std::make_unique<CTaviMedia>();
    complete = media->Load(file) && complete;
  }
  if ((presence & kHasLinks) != 0) {
    links = std::make_unique<CTaviLinks>();
    complete = links->Load(file) && complete;
  }
  return complete;
}

GeoPoint CTaviElement::GetPosition() const {
  return details && details->address ? details->address->position : kNoPosition;
}

WString CTaviElement::GetName() const {
  return details ? details->name.str() : WString();
}

WString CTaviElement::GetText1() const {
  return details ? details->text1.str() : WString();
}

WString CTaviElement::GetText2() const {
  return details ? details->text2.str() : WString();
}

WString CTaviElement::GetAddressLine() const {
  if (!details || !details->address) return {};
  const CTaviAddress& address = *details->address;
  WString line;
  if (!address.localAddr1.empty()) line = address.localAddr1.str() + u", ";
  line += address.addr1.str();
  if (!line.empty()) line += u' ';
  line += address.addr2.str();
  return line;
}

WString CTaviElement::GetRatingString(const WString& unit) const {
  WString result;
  if (!details) return result;
  result.reserve(unit.size() * details->rating);
  for (unsigned i = 0; i < details->rating; ++i) result += unit;
  return result;
}

std::int32_t CTaviElement::GetTypeCode() const {
  switch (type) {
    case 1:
      return 202;
    case 3:
    case 4:
      return 70;
    case 5:
      return 155;
    case 6:
      return 3;
    case 7:
      return 203;
    case 8:
      return 315;
    case 9:
      return 306;
    case 11:
      return 159;
    case 12:
      return 130;
    default:
      return 255;
  }
}

CTaviDetails& CTaviElement::GetOrCreateDetails() {
  if (!details) details = std::make_unique<CTaviDetails>();
  return *details;
}

void CTaviElement::SetName(WStringView name) {
  GetOrCreateDetails().name = name;
}

void CTaviElement::SetPosition(GeoPoint position) {
  CTaviDetails& parts = GetOrCreateDetails();
  if (!parts.address) parts.address = std::make_unique<CTaviAddress>();
  parts.address->position = position;
}

void CTaviElement::EnsureDetails() {
  CTaviDetails& parts = GetOrCreateDetails();
  if (!parts.address) parts.address = std::make_unique<CTaviAddress>();
  if (!parts.category) parts.category = std::make_unique<CTaviCategory>();
}

}  // namespace tavi
