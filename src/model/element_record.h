#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/archive_string.h"
#include "model/geo.h"

namespace tavi {

// The texts of an element, numbered in the order its record in a ".tavi" file stores them.
enum TextSlot : unsigned {
  kSlotName,
  kSlotAddr1,
  kSlotAddr2,
  kSlotLocalAddr1,
  kSlotLocalAddr2,
  kSlotLocalAddr3,
  kSlotAddr3,
  kSlotText1,
  kSlotText2,
  kSlotCategoryText,
  kSlotExtra1,
  kSlotExtra2,
  kSlotExtra3,
  kSlotExtra4,
  kSlotExtra5,
  kSlotExtra6,
  kSlotExtra7,
  kSlotExtra8,
  kSlotMedia1,
  kSlotLink1 = kSlotMedia1 + 5,
  kSlotCount = kSlotLink1 + 5,
};

inline constexpr std::uint32_t kSlotBit(unsigned slot) {
  return std::uint32_t{1} << slot;
}

// The values of an element besides its position and texts. A record made by an importer holds
// the defaults below; its type and ids are given when the writer stores it.
struct SRecordScalars {
  std::int32_t type = -1;
  std::int32_t detailsId = -1;
  std::int32_t code1 = -1;
  std::int32_t code2 = -1;
  std::int32_t extraInt = 0;
  std::uint8_t presence = 1;  // details only
  std::uint8_t rating = 0;
  std::uint8_t extraByte = 0;

  bool IsDefault() const {
    return code1 == -1 && code2 == -1 && extraInt == 0 && presence == 1 && rating == 0 &&
           extraByte == 0;
  }
};

// One element as a conversion holds it in memory, in a block of its own (see CElementArena):
//   uint32 mask   bits 0-27: which text slots hold a text; kGeneral: the scalars follow the
//                 head; kKeepsIdentity: the element was read from a file and keeps its type and
//                 ids, where a new one takes those the writer gives
//   int32  x, y   the position (kNoPosition for none)
//   int32  id     given when the writer stores the element (kept for one read from a file)
//   [SRecordScalars, 24 bytes, with kGeneral]
//   the byte length of each present text, LEB128, in slot order; then the texts' UTF-8 bytes,
//   one after the other; padding to a multiple of 4.
// The head is in the machine's own byte order: records never leave memory.
namespace record {
inline constexpr std::uint32_t kTextBits = (std::uint32_t{1} << kSlotCount) - 1;
inline constexpr std::uint32_t kGeneral = std::uint32_t{1} << 28;
inline constexpr std::uint32_t kKeepsIdentity = std::uint32_t{1} << 29;
inline constexpr std::size_t kHeadBytes = 16;
inline constexpr std::size_t kScalarBytes = 24;
inline constexpr std::size_t kAlignment = 4;
inline constexpr std::size_t kIdOffset = 12;
}  // namespace record

// Reads a record in place.
class CRecordView {
 public:
  explicit CRecordView(const char* record);

  std::uint32_t Mask() const { return m_mask; }
  bool HasText(unsigned slot) const { return (m_mask & kSlotBit(slot)) != 0; }
  bool IsGeneral() const { return (m_mask & record::kGeneral) != 0; }
  bool KeepsIdentity() const { return (m_mask & record::kKeepsIdentity) != 0; }
  GeoPoint Position() const { return m_position; }
  std::int32_t Id() const { return m_id; }
  SRecordScalars Scalars() const;
  // The text of a slot; empty when the slot holds none.
  std::string_view Text(unsigned slot) const;
  // The bytes the record takes in memory, padding included.
  std::size_t Span() const;

  // The present texts in slot order.
  class CTextCursor {
   public:
    explicit CTextCursor(const CRecordView& record);
    std::string_view Next();

   private:
    const char* m_length;
    const char* m_text;
  };

 private:
  friend std::uint64_t SavedRecordSize(const CRecordView& record, std::uint32_t maxBytes);

  const char* m_record;
  std::uint32_t m_mask;
  GeoPoint m_position;
  std::int32_t m_id;
  const char* m_lengths;  // the first LEB128 length
};

// Bytes in memory of a record with the texts of mask, whose lengths are given in slot order.
std::size_t RecordSpan(std::uint32_t mask, const std::uint32_t* lengths);
// Writes head, scalars (with kGeneral) and lengths at out; lengths holds one entry per present
// slot, in slot order. Returns where the texts go.
char* WriteRecordPrefix(char* out, std::uint32_t mask, GeoPoint position, std::int32_t id,
                        const SRecordScalars* scalars, const std::uint32_t* lengths);

// The element record of a ".tavi" file is made from a memory record by these two alone, whichever
// importer made it. A text longer than maxBytes is saved empty, after its report
// "ERROR : Save String: char size > MAX_BYTES"; maxBytes is lowered by tests only.
// Bytes of the element record.
std::uint64_t SavedRecordSize(const CRecordView& record, std::uint32_t maxBytes = MAX_BYTES);
// Writes the element record at out, which has room for SavedRecordSize bytes, and returns its
// end. A new element takes fileType as its type and its id as its details' id too.
char* SaveRecord(const CRecordView& record, std::int32_t fileType, char* out,
                 std::uint32_t maxBytes = MAX_BYTES);

}  // namespace tavi
