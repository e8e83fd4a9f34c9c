#include "model/element_arena.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace tavi {

namespace {

// Records are placed at multiples of 4 bytes in blocks of 4 MiB, so a reference holds the block in
// its top 12 bits and the offset in 4-byte steps in its low 20. A record larger than a block gets
// a block of its own, at offset 0.
constexpr std::size_t kBlockBytes = std::size_t{4} << 20;
constexpr unsigned kOffsetBits = 20;
constexpr std::size_t kMaxBlocks = std::size_t{1} << (32 - kOffsetBits);

constexpr std::uint8_t kPartBits =
    CTaviElement::kHasDetails | CTaviElement::kHasMedia | CTaviElement::kHasLinks;

using SlotTexts = std::array<const CCompactString*, kSlotCount>;

void TakeDetailsTexts(const CTaviDetails& details, SlotTexts& texts) {
  texts[kSlotName] = &details.name;
  if (const CTaviAddress* address = details.address.get()) {
    texts[kSlotAddr1] = &address->addr1;
    texts[kSlotAddr2] = &address->addr2;
    texts[kSlotLocalAddr1] = &address->localAddr1;
    texts[kSlotLocalAddr2] = &address->localAddr2;
    texts[kSlotLocalAddr3] = &address->localAddr3;
    texts[kSlotAddr3] = &address->addr3;
  }
  texts[kSlotText1] = &details.text1;
  texts[kSlotText2] = &details.text2;
  if (details.category) texts[kSlotCategoryText] = &details.category->text;
  const CCompactString* extras[] = {&details.extra1, &details.extra2, &details.extra3,
                                    &details.extra4, &details.extra5, &details.extra6,
                                    &details.extra7, &details.extra8};
  std::copy(std::begin(extras), std::end(extras), texts.begin() + kSlotExtra1);
}

// The texts of the element by slot; null where the sub-record is missing.
SlotTexts TextsOf(const CTaviElement& element) {
  SlotTexts texts{};
  if (element.details) TakeDetailsTexts(*element.details, texts);
  if (const CTaviMedia* media = element.media.get()) {
    const CCompactString* fields[] = {&media->media1, &media->media2, &media->media3,
                                      &media->media4, &media->media5};
    std::copy(std::begin(fields), std::end(fields), texts.begin() + kSlotMedia1);
  }
  if (const CTaviLinks* links = element.links.get()) {
    const CCompactString* fields[] = {&links->link1, &links->link2, &links->link3, &links->link4,
                                      &links->link5};
    std::copy(std::begin(fields), std::end(fields), texts.begin() + kSlotLink1);
  }
  return texts;
}

// The values the element's record is saved with; presence announces exactly the parts present.
SRecordScalars ScalarsOf(const CTaviElement& element) {
  SRecordScalars scalars;
  scalars.type = element.type;
  std::uint8_t parts = 0;
  if (const CTaviDetails* details = element.details.get()) {
    parts |= CTaviElement::kHasDetails;
    scalars.detailsId = details->id;
    scalars.rating = details->rating;
    scalars.extraByte = details->extraByte;
    scalars.extraInt = details->extraInt;
    if (details->category) {
      scalars.code1 = details->category->code1;
      scalars.code2 = details->category->code2;
    }
  }
  if (element.media) parts |= CTaviElement::kHasMedia;
  if (element.links) parts |= CTaviElement::kHasLinks;
  scalars.presence = static_cast<std::uint8_t>((element.presence & ~kPartBits) | parts);
  return scalars;
}

}  // namespace

struct CElementArena::SBlock {
  std::unique_ptr<char[]> bytes;
  std::size_t size = 0;
  std::size_t used = 0;
};

CElementArena::CElementArena() = default;
CElementArena::~CElementArena() = default;
CElementArena::CElementArena(CElementArena&&) noexcept = default;
CElementArena& CElementArena::operator=(CElementArena&&) noexcept = default;

CElementArena::CElementArena(ElementArray&& elements) {
  ElementArray taken = std::move(elements);
  for (std::unique_ptr<CTaviElement>& element : taken) {
    if (element) {
      AddElement(*element, false);
      element.reset();
    } else {
      AddRecord(kNoPosition, 0, nullptr);
    }
  }
}

char* CElementArena::Reserve(std::size_t bytes) {
  if (m_blocks.empty() || m_blocks.back().size - m_blocks.back().used < bytes) {
    if (m_blocks.size() == kMaxBlocks) throw std::length_error("too many elements for one file");
    const std::size_t size = std::max(kBlockBytes, bytes);
    m_blocks.push_back({std::make_unique_for_overwrite<char[]>(size), size, 0});
  }
  SBlock& block = m_blocks.back();
  char* at = block.bytes.get() + block.used;
  block.used += bytes;
  ++m_count;
  return at;
}

CElementArena::Ref CElementArena::MakeRef(std::size_t block, std::size_t offset) {
  return static_cast<Ref>(block << kOffsetBits) | static_cast<Ref>(offset / record::kAlignment);
}

char* CElementArena::Address(Ref ref) const {
  const std::size_t offset = std::size_t{ref & ((Ref{1} << kOffsetBits) - 1)} * record::kAlignment;
  return m_blocks[ref >> kOffsetBits].bytes.get() + offset;
}

char* CElementArena::AddRecord(GeoPoint position, std::uint32_t mask,
                               const std::uint32_t* lengths) {
  char* record = Reserve(RecordSpan(mask, lengths));
  return WriteRecordPrefix(record, mask, position, -1, nullptr, lengths);
}

CElementArena::Ref CElementArena::AddElement(const CTaviElement& element, bool keepsIdentity) {
  const SlotTexts texts = TextsOf(element);
  std::uint32_t mask = 0;
  std::array<std::uint32_t, kSlotCount> lengths{};
  unsigned present = 0;
  for (unsigned slot = 0; slot < kSlotCount; ++slot) {
    if (texts[slot] == nullptr || texts[slot]->empty()) continue;
    mask |= kSlotBit(slot);
    lengths[present++] = static_cast<std::uint32_t>(texts[slot]->utf8().size());
  }
  const SRecordScalars scalars = ScalarsOf(element);
  if (keepsIdentity) mask |= record::kGeneral | record::kKeepsIdentity;
  if (!scalars.IsDefault()) mask |= record::kGeneral;
  char* record = Reserve(RecordSpan(mask, lengths.data()));
  const Ref ref =
      MakeRef(m_blocks.size() - 1, static_cast<std::size_t>(record - m_blocks.back().bytes.get()));
  char* out =
      WriteRecordPrefix(record, mask, element.GetPosition(), element.id, &scalars, lengths.data());
  for (const CCompactString* text : texts) {
    if (text == nullptr || text->empty()) continue;
    std::memcpy(out, text->utf8().data(), text->utf8().size());
    out += text->utf8().size();
  }
  return ref;
}

bool CElementArena::Next(SCursor& cursor, Ref& ref) const {
  for (; cursor.block < m_blocks.size(); ++cursor.block, cursor.offset = 0) {
    const SBlock& block = m_blocks[cursor.block];
    if (cursor.offset >= block.used) continue;
    ref = MakeRef(cursor.block, cursor.offset);
    cursor.offset += CRecordView(block.bytes.get() + cursor.offset).Span();
    return true;
  }
  return false;
}

void CElementArena::SetId(Ref ref, std::int32_t id) {
  std::memcpy(Address(ref) + record::kIdOffset, &id, sizeof id);
}

}  // namespace tavi
