#include "import/geodata/element_texts.h"

#include "platform/code_page.h"

namespace tavi {

namespace {

template <CCompactString CTaviDetails::*Text>
CCompactString* InDetails(CTaviElement& element, bool create) {
  if (!element.details && !create) return nullptr;
  element.EnsureDetails();
  return &(element.details.get()->*Text);
}

template <CCompactString CTaviAddress::*Text>
CCompactString* InAddress(CTaviElement& element, bool create) {
  if ((!element.details || !element.details->address) && !create) return nullptr;
  element.EnsureDetails();
  return &(element.details->address.get()->*Text);
}

CCompactString* InCategory(CTaviElement& element, bool create) {
  if ((!element.details || !element.details->category) && !create) return nullptr;
  element.EnsureDetails();
  return &element.details->category->text;
}

template <CCompactString CTaviMedia::*Text>
CCompactString* InMedia(CTaviElement& element, bool create) {
  if (!element.media && !create) return nullptr;
  if (!element.media) element.media = std::make_unique<CTaviMedia>();
  return &(element.media.get()->*Text);
}

template <CCompactString CTaviLinks::*Text>
CCompactString* InLinks(CTaviElement& element, bool create) {
  if (!element.links && !create) return nullptr;
  if (!element.links) element.links = std::make_unique<CTaviLinks>();
  return &(element.links.get()->*Text);
}

}  // namespace

// The first eight in the order of a text file's columns 3 to 10.
const std::array<SElementText, kElementTextCount> kElementTexts{{
    {{"name", "title", "label"}, InDetails<&CTaviDetails::name>},
    {{"addr1", "address", "desc", "description"}, InAddress<&CTaviAddress::addr1>},
    {{"extra2", "phone", "contact:phone", "telephone"}, InDetails<&CTaviDetails::extra2>},
    {{"extra3", "website", "contact:website", "url", "link1_href"},
     InDetails<&CTaviDetails::extra3>},
    {{"extra5"}, InDetails<&CTaviDetails::extra5>},
    {{"extra4"}, InDetails<&CTaviDetails::extra4>},
    {{"text1", "cmt", "comment", "opening_hours"}, InDetails<&CTaviDetails::text1>},
    {{"text2", "type"}, InDetails<&CTaviDetails::text2>},
    {{"addr2"}, InAddress<&CTaviAddress::addr2>},
    {{"addr3"}, InAddress<&CTaviAddress::addr3>},
    {{"localAddr1"}, InAddress<&CTaviAddress::localAddr1>},
    {{"localAddr2"}, InAddress<&CTaviAddress::localAddr2>},
    {{"localAddr3"}, InAddress<&CTaviAddress::localAddr3>},
    {{"extra1"}, InDetails<&CTaviDetails::extra1>},
    {{"extra6"}, InDetails<&CTaviDetails::extra6>},
    {{"extra7"}, InDetails<&CTaviDetails::extra7>},
    {{"extra8"}, InDetails<&CTaviDetails::extra8>},
    {{"category"}, InCategory},
    {{"media1"}, InMedia<&CTaviMedia::media1>},
    {{"media2"}, InMedia<&CTaviMedia::media2>},
    {{"media3"}, InMedia<&CTaviMedia::media3>},
    {{"media4"}, InMedia<&CTaviMedia::media4>},
    {{"media5"}, InMedia<&CTaviMedia::media5>},
    {{"link1"}, InLinks<&CTaviLinks::link1>},
    {{"link2"}, InLinks<&CTaviLinks::link2>},
    {{"link3"}, InLinks<&CTaviLinks::link3>},
    {{"link4"}, InLinks<&CTaviLinks::link4>},
    {{"link5"}, InLinks<&CTaviLinks::link5>},
}};

std::unique_ptr<CTaviElement> BuildElement(GeoPoint position, const SElementTexts& texts) {
  auto element = std::make_unique<CTaviElement>();
  element->SetPosition(position);
  for (std::size_t i = 0; i < kElementTextCount; ++i) {
    if (!texts[i].empty()) *kElementTexts[i].field(*element, true) = Utf8ToWide(texts[i]);
  }
  return element;
}

}  // namespace tavi
