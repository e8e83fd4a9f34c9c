#include "model/element_record.h"

#include <bit>
#include <cstring>

#include "model/localized_string.h"
#include "platform/byte_order.h"

namespace tavi {

namespace {

constexpr std::uint32_t kLengthMore = 0x80;
constexpr std::uint32_t kLengthBits = 7;

// Fixed bytes of the element record's parts: element 9 (id, type, presence); details 128 (id,
// rating, position, codes, extraByte, extraInt: 26; six localized prefixes: 30; eighteen string
// heads: 72); media and links 20 each (five string heads).
constexpr std::uint64_t kElementBytes = 9;
constexpr std::uint64_t kDetailsBytes = 128;
constexpr std::uint64_t kFiveTextsBytes = 20;
constexpr unsigned kFirstMediaSlot = kSlotMedia1;
constexpr unsigned kFirstLinkSlot = kSlotLink1;

constexpr std::uint8_t kHasDetails = 1;
constexpr std::uint8_t kHasMedia = 2;
constexpr std::uint8_t kHasLinks = 4;

std::uint32_t LoadNative32(const char* at) {
  std::uint32_t value = 0;
  std::memcpy(&value, at, sizeof value);
  return value;
}

void StoreNative32(char* at, std::uint32_t value) {
  std::memcpy(at, &value, sizeof value);
}

std::uint32_t ReadLength(const char*& at) {
  std::uint32_t value = 0;
  for (std::uint32_t shift = 0;; shift += kLengthBits) {
    const auto byte = static_cast<std::uint8_t>(*at++);
    value |= static_cast<std::uint32_t>(byte & (kLengthMore - 1)) << shift;
    if ((byte & kLengthMore) == 0) return value;
  }
}

std::size_t LengthBytes(std::uint32_t value) {
  std::size_t bytes = 1;
  for (; value >= kLengthMore; value >>= kLengthBits) ++bytes;
  return bytes;
}

char* WriteLength(char* out, std::uint32_t value) {
  for (; value >= kLengthMore; value >>= kLengthBits) {
    *out++ = static_cast<char>((value & (kLengthMore - 1)) | kLengthMore);
  }
  *out++ = static_cast<char>(value);
  return out;
}

unsigned TextCount(std::uint32_t mask) {
  return static_cast<unsigned>(std::popcount(mask & record::kTextBits));
}

std::size_t PaddedSpan(std::size_t bytes) {
  return (bytes + record::kAlignment - 1) / record::kAlignment * record::kAlignment;
}

std::uint8_t PresenceOf(const CRecordView& record) {
  return record.IsGeneral() ? record.Scalars().presence : kHasDetails;
}

char* PutUInt32(char* out, std::uint32_t value) {
  StoreUInt32LE(out, value);
  return out + 4;
}

char* PutInt32(char* out, std::int32_t value) {
  return PutUInt32(out, static_cast<std::uint32_t>(value));
}

char* PutByte(char* out, std::uint8_t value) {
  *out = static_cast<char>(value);
  return out + 1;
}

// Writes the texts of the slots as saved strings, slot by slot in record order.
class CSavedTexts {
 public:
  CSavedTexts(const CRecordView& record, std::uint32_t maxBytes)
      : m_mask(record.Mask()), m_texts(record), m_maxBytes(maxBytes) {}

  char* Saved(char* out, unsigned slot) {
    if ((m_mask & kSlotBit(slot)) == 0) return PutUInt32(out, kTagUtf8);
    const std::string_view text = m_texts.Next();
    if (text.size() > m_maxBytes) {
      ReportTooLong();
      return PutUInt32(out, kTagUtf8);
    }
    out = PutUInt32(out, kTagUtf8 | static_cast<std::uint32_t>(text.size()));
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
  }

  char* Localized(char* out, unsigned slot) {
    out = PutUInt32(out, 1);
    out = PutByte(out, currentLanguage);
    return Saved(out, slot);
  }

  char* FiveSaved(char* out, unsigned first) {
    for (unsigned slot = first; slot < first + 5; ++slot) out = Saved(out, slot);
    return out;
  }

 private:
  std::uint32_t m_mask;
  CRecordView::CTextCursor m_texts;
  std::uint32_t m_maxBytes;
};

char* SaveDetails(const CRecordView& record, const SRecordScalars& scalars, std::int32_t detailsId,
                  CSavedTexts& texts, char* out) {
  out = PutInt32(out, detailsId);
  out = PutByte(out, scalars.rating);
  out = texts.Localized(out, kSlotName);
  out = PutInt32(out, record.Position().x);
  out = PutInt32(out, record.Position().y);
  out = texts.Saved(out, kSlotAddr1);
  out = texts.Saved(out, kSlotAddr2);
  for (unsigned slot = kSlotLocalAddr1; slot <= kSlotLocalAddr3; ++slot) {
    out = texts.Localized(out, slot);
  }
  out = texts.Saved(out, kSlotAddr3);
  out = texts.Localized(out, kSlotText1);
  out = texts.Localized(out, kSlotText2);
  out = PutInt32(out, scalars.code1);
  out = PutInt32(out, scalars.code2);
  out = texts.Saved(out, kSlotCategoryText);
  for (unsigned slot = kSlotExtra1; slot <= kSlotExtra8; ++slot) out = texts.Saved(out, slot);
  out = PutByte(out, scalars.extraByte);
  return PutInt32(out, scalars.extraInt);
}

}  // namespace

CRecordView::CRecordView(const char* record)
    : m_record(record),
      m_mask(LoadNative32(record)),
      m_position{static_cast<std::int32_t>(LoadNative32(record + 4)),
                 static_cast<std::int32_t>(LoadNative32(record + 8))},
      m_id(static_cast<std::int32_t>(LoadNative32(record + record::kIdOffset))),
      m_lengths(record + record::kHeadBytes + (IsGeneral() ? record::kScalarBytes : 0)) {}

SRecordScalars CRecordView::Scalars() const {
  SRecordScalars scalars;
  if (!IsGeneral()) return scalars;
  std::memcpy(&scalars, m_record + record::kHeadBytes, sizeof scalars);
  return scalars;
}

std::string_view CRecordView::Text(unsigned slot) const {
  if (!HasText(slot)) return {};
  CTextCursor texts(*this);
  const unsigned before = TextCount(m_mask & (kSlotBit(slot) - 1));
  for (unsigned i = 0; i < before; ++i) texts.Next();
  return texts.Next();
}

std::size_t CRecordView::Span() const {
  const char* at = m_lengths;
  std::size_t texts = 0;
  for (unsigned i = TextCount(m_mask); i > 0; --i) texts += ReadLength(at);
  return PaddedSpan(static_cast<std::size_t>(at - m_record) + texts);
}

CRecordView::CTextCursor::CTextCursor(const CRecordView& record)
    : m_length(record.m_lengths), m_text(record.m_lengths) {
  for (unsigned i = TextCount(record.m_mask); i > 0; --i) ReadLength(m_text);
}

std::string_view CRecordView::CTextCursor::Next() {
  const std::uint32_t length = ReadLength(m_length);
  const std::string_view text(m_text, length);
  m_text += length;
  return text;
}

static_assert(sizeof(SRecordScalars) == record::kScalarBytes);

std::size_t RecordSpan(std::uint32_t mask, const std::uint32_t* lengths) {
  std::size_t bytes =
      record::kHeadBytes + ((mask & record::kGeneral) != 0 ? record::kScalarBytes : 0);
  for (unsigned i = 0; i < TextCount(mask); ++i) bytes += LengthBytes(lengths[i]) + lengths[i];
  return PaddedSpan(bytes);
}

char* WriteRecordPrefix(char* out, std::uint32_t mask, GeoPoint position, std::int32_t id,
                        const SRecordScalars* scalars, const std::uint32_t* lengths) {
  StoreNative32(out, mask);
  StoreNative32(out + 4, static_cast<std::uint32_t>(position.x));
  StoreNative32(out + 8, static_cast<std::uint32_t>(position.y));
  StoreNative32(out + record::kIdOffset, static_cast<std::uint32_t>(id));
  out += record::kHeadBytes;
  if ((mask & record::kGeneral) != 0) {
    std::memcpy(out, scalars, record::kScalarBytes);
    out += record::kScalarBytes;
  }
  for (unsigned i = 0; i < TextCount(mask); ++i) out = WriteLength(out, lengths[i]);
  return out;
}

std::uint64_t SavedRecordSize(const CRecordView& record, std::uint32_t maxBytes) {
  const std::uint8_t presence = PresenceOf(record);
  std::uint64_t parts[3] = {kDetailsBytes, kFiveTextsBytes, kFiveTextsBytes};
  const char* at = record.m_lengths;
  for (std::uint32_t bits = record.Mask() & record::kTextBits; bits != 0; bits &= bits - 1) {
    const auto slot = static_cast<unsigned>(std::countr_zero(bits));
    const std::uint32_t length = ReadLength(at);
    const int part = slot < kFirstMediaSlot ? 0 : slot < kFirstLinkSlot ? 1 : 2;
    if (length <= maxBytes) parts[part] += length;
  }
  std::uint64_t size = kElementBytes;
  if ((presence & kHasDetails) != 0) size += parts[0];
  if ((presence & kHasMedia) != 0) size += parts[1];
  if ((presence & kHasLinks) != 0) size += parts[2];
  return size;
}

char* SaveRecord(const CRecordView& record, std::int32_t fileType, char* out,
                 std::uint32_t maxBytes) {
  const SRecordScalars scalars = record.Scalars();
  const bool keeps = record.KeepsIdentity();
  const std::uint8_t presence = record.IsGeneral() ? scalars.presence : kHasDetails;
  out = PutInt32(out, record.Id());
  out = PutInt32(out, keeps ? scalars.type : fileType);
  out = PutByte(out, presence);
  CSavedTexts texts(record, maxBytes);
  if ((presence & kHasDetails) != 0) {
    out = SaveDetails(record, scalars, keeps ? scalars.detailsId : record.Id(), texts, out);
  }
  if ((presence & kHasMedia) != 0) out = texts.FiveSaved(out, kFirstMediaSlot);
  if ((presence & kHasLinks) != 0) out = texts.FiveSaved(out, kFirstLinkSlot);
  return out;
}

}  // namespace tavi
