#include "model/tavi_element.h"

#include <gtest/gtest.h>

#include <string>

#include "model/localized_string.h"
#include "model_test_files.h"

namespace tavi::test {
namespace {

// The element an importer makes, completed as the file writer completes it before saving.
CTaviElement NamedElement() {
  CTaviElement element;
  element.SetName(u"Ab");
  element.SetPosition(GeoPoint{1234567, -4200000});
  element.EnsureDetails();
  element.type = 3;
  element.id = 7;
  element.details->id = 7;
  return element;
}

// NamedElement's record, worked out field by field.
const Bytes kNamedRecord = Concat({
    {0x07, 0x00, 0x00, 0x00},                                // id 7
    {0x03, 0x00, 0x00, 0x00},                                // type 3
    {0x01},                                                  // presence: details only
    {0x07, 0x00, 0x00, 0x00},                                // details id 7
    {0x00},                                                  // rating
    {0x01, 0x00, 0x00, 0x00, 0x00},                          // name: one entry, language 0
    {0x02, 0x00, 0x00, 0x80, 0x41, 0x62},                    //   "Ab" in UTF-8
    {0x87, 0xD6, 0x12, 0x00},                                // address x 1234567 = 0x0012D687
    {0xC0, 0xE9, 0xBF, 0xFF},                                // address y -4200000 = 0xFFBFE9C0
    {0x00, 0x00, 0x00, 0x80},                                // addr1 empty
    {0x00, 0x00, 0x00, 0x80},                                // addr2 empty
    {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80},  // localAddr1 empty
    {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80},  // localAddr2 empty
    {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80},  // localAddr3 empty
    {0x00, 0x00, 0x00, 0x80},                                // addr3 empty
    {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80},  // text1 empty
    {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80},  // text2 empty
    {0xFF, 0xFF, 0xFF, 0xFF},                                // category code1 -1
    {0xFF, 0xFF, 0xFF, 0xFF},                                // category code2 -1
    {0x00, 0x00, 0x00, 0x80},                                // category text empty
    {0x00, 0x00, 0x00, 0x80},                                // extra1
    {0x00, 0x00, 0x00, 0x80},                                // extra2
    {0x00, 0x00, 0x00, 0x80},                                // extra3
    {0x00, 0x00, 0x00, 0x80},                                // extra4
    {0x00, 0x00, 0x00, 0x80},                                // extra5
    {0x00, 0x00, 0x00, 0x80},                                // extra6
    {0x00, 0x00, 0x00, 0x80},                                // extra7
    {0x00, 0x00, 0x00, 0x80},                                // extra8
    {0x00},                                                  // extraByte
    {0x00, 0x00, 0x00, 0x00},                                // extraInt
});
constexpr std::uint64_t kNamedDetailsEnd = 139;
constexpr std::uint64_t kNamedAddressEnd = 72;   // where version 3 stops
constexpr std::uint64_t kNamedPositionEnd = 33;  // where version 2 stops

// Every field set to a value of its own, with media and links.
CTaviElement FullElement() {
  CTaviElement element = NamedElement();
  CTaviDetails& details = *element.details;
  details.rating = 4;
  details.text1 = u"t1 \u00E9";
  details.text2 = u"t2";
  details.extra1 = u"e1";
  details.extra2 = u"e2";
  details.extra3 = u"e3";
  details.extra4 = u"e4";
  details.extra5 = u"e5";
  details.extra6 = u"e6";
  details.extra7 = u"e7";
  details.extra8 = u"e8 \U0001F600";
  details.extraByte = 0xA5;
  details.extraInt = -123456;
  details.category->code1 = 17;
  details.category->code2 = -2;
  details.category->text = u"cat";
  CTaviAddress& address = *details.address;
  address.addr1 = u"a1";
  address.addr2 = u"a2";
  address.addr3 = u"a3";
  address.localAddr1 = u"l1";
  address.localAddr2 = u"l2";
  address.localAddr3 = u"l3";
  element.media = std::make_unique<CTaviMedia>();
  element.media->media1 = u"m1";
  element.media->media5 = u"m5";
  element.links = std::make_unique<CTaviLinks>();
  element.links->link2 = u"k2";
  element.links->link4 = u"k4";
  return element;
}

Bytes SavedRecord(CTaviElement& element) {
  return WrittenBytes([&](CFile& file) { element.Save(file); });
}

TEST(CTaviElementSave, NamedElementRecordByteByByte) {
  CTaviElement element = NamedElement();
  const Bytes bytes = SavedRecord(element);
  EXPECT_EQ(Hex(bytes), Hex(kNamedRecord));
  EXPECT_EQ(bytes.size(), kNamedDetailsEnd);
  EXPECT_EQ(element.presence, CTaviElement::kHasDetails);
}

TEST(CTaviElementSave, ReturnsWhereEachRecordStarts) {
  CTaviElement first = NamedElement();
  CTaviElement second = NamedElement();
  std::int32_t firstOffset = -1;
  std::int32_t secondOffset = -1;
  WrittenBytes([&](CFile& file) {
    file.Write("head", 4);
    firstOffset = first.Save(file);
    secondOffset = second.Save(file);
  });
  EXPECT_EQ(firstOffset, 4);
  EXPECT_EQ(first.offset, 4);
  EXPECT_EQ(secondOffset, static_cast<std::int32_t>(4 + kNamedDetailsEnd));
  EXPECT_EQ(second.offset, secondOffset);
}

TEST(CTaviElementSave, ElementWithoutDetailsIsItsOwnFieldsOnly) {
  CTaviElement element;
  EXPECT_EQ(Hex(SavedRecord(element)), "FF FF FF FF FF FF FF FF 00");
}

TEST(CTaviElementSave, MissingAddressAndCategoryAreWrittenWithDefaults) {
  CTaviElement bare;
  bare.SetName(u"Ab");
  CTaviElement completed;
  completed.SetName(u"Ab");
  completed.EnsureDetails();
  EXPECT_EQ(Hex(SavedRecord(bare)), Hex(SavedRecord(completed)));
}

TEST(CTaviElementSave, PresenceAnnouncesExactlyTheWrittenParts) {
  CTaviElement element;
  element.presence = CTaviElement::kHasMedia | 0x80;  // left by a load that read no media
  element.links = std::make_unique<CTaviLinks>();
  const Bytes bytes = SavedRecord(element);
  ASSERT_EQ(bytes.size(), 9u + 5 * 4);
  EXPECT_EQ(bytes[8], 0x84);
}

void ExpectVersion3Fields(const CTaviElement& loaded) {
  EXPECT_EQ(loaded.id, 7);
  EXPECT_EQ(loaded.type, 3);
  ASSERT_TRUE(loaded.details);
  EXPECT_EQ(loaded.details->id, 7);
  EXPECT_EQ(loaded.details->rating, 4);
  EXPECT_EQ(loaded.details->name, u"Ab");
  ASSERT_TRUE(loaded.details->address);
  EXPECT_EQ(loaded.GetPosition(), (GeoPoint{1234567, -4200000}));
}

void ExpectAddressTexts(const CTaviAddress& address, bool present) {
  const auto expect = [present](const WString& text) { return present ? text : WString(); };
  EXPECT_EQ(address.addr1, expect(u"a1"));
  EXPECT_EQ(address.addr2, expect(u"a2"));
  EXPECT_EQ(address.localAddr1, expect(u"l1"));
  EXPECT_EQ(address.localAddr2, expect(u"l2"));
  EXPECT_EQ(address.localAddr3, expect(u"l3"));
  EXPECT_EQ(address.addr3, expect(u"a3"));
}

void ExpectVersion4Fields(const CTaviElement& loaded) {
  const CTaviDetails& details = *loaded.details;
  EXPECT_EQ(details.text1, u"t1 \u00E9");
  EXPECT_EQ(details.text2, u"t2");
  const std::vector<WString> extras{details.extra1, details.extra2, details.extra3, details.extra4,
                                    details.extra5, details.extra6, details.extra7, details.extra8};
  EXPECT_EQ(extras, (std::vector<WString>{u"e1", u"e2", u"e3", u"e4", u"e5", u"e6", u"e7",
                                          u"e8 \U0001F600"}));
  EXPECT_EQ(details.extraByte, 0xA5);
  EXPECT_EQ(details.extraInt, -123456);
  ASSERT_TRUE(details.category);
  EXPECT_EQ(details.category->code1, 17);
  EXPECT_EQ(details.category->code2, -2);
  EXPECT_EQ(details.category->text, u"cat");
  ASSERT_TRUE(loaded.media);
  const std::vector<WString> media{loaded.media->media1, loaded.media->media2, loaded.media->media3,
                                   loaded.media->media4, loaded.media->media5};
  EXPECT_EQ(media, (std::vector<WString>{u"m1", u"", u"", u"", u"m5"}));
  ASSERT_TRUE(loaded.links);
  const std::vector<WString> links{loaded.links->link1, loaded.links->link2, loaded.links->link3,
                                   loaded.links->link4, loaded.links->link5};
  EXPECT_EQ(links, (std::vector<WString>{u"", u"k2", u"", u"k4", u""}));
}

void ExpectNoVersion4Fields(const CTaviElement& loaded) {
  const CTaviDetails& details = *loaded.details;
  EXPECT_TRUE(details.text1.empty());
  EXPECT_TRUE(details.text2.empty());
  EXPECT_TRUE(details.extra8.empty());
  EXPECT_EQ(details.extraByte, 0);
  EXPECT_EQ(details.extraInt, 0);
  EXPECT_FALSE(details.category);
  EXPECT_FALSE(loaded.media);
  EXPECT_FALSE(loaded.links);
}

// FullElement saved, then loaded at each version from behind two bytes of something else.
TEST(CTaviElementLoad, EachVersionReadsItsFields) {
  CTaviElement full = FullElement();
  const Bytes record = SavedRecord(full);
  for (const std::int32_t version : {4, 3, 2}) {
    CBytesFile input(Concat({{0xEE, 0xEE}, record}));
    CTaviElement loaded;
    EXPECT_TRUE(loaded.Load(input.file(), 2, version));
    EXPECT_EQ(loaded.offset, 2);
    ExpectVersion3Fields(loaded);
    ExpectAddressTexts(*loaded.details->address, version >= 3);
    if (version == 4) {
      ExpectVersion4Fields(loaded);
      EXPECT_EQ(loaded.presence, 7);
      EXPECT_EQ(input.file().GetPosition(), 2 + record.size());
    } else {
      ExpectNoVersion4Fields(loaded);
    }
  }
}

struct SVersionEnd {
  std::int32_t version;
  std::uint64_t end;
};

TEST(CTaviElementLoadEnd, EachVersionStopsWhereItsLayoutEnds) {
  for (const SVersionEnd& expected :
       {SVersionEnd{4, kNamedDetailsEnd}, SVersionEnd{3, kNamedAddressEnd},
        SVersionEnd{2, kNamedPositionEnd}, SVersionEnd{1, kNamedPositionEnd}}) {
    CBytesFile input(kNamedRecord);
    CTaviElement loaded;
    EXPECT_TRUE(loaded.Load(input.file(), 0, expected.version));
    EXPECT_EQ(input.file().GetPosition(), expected.end) << expected.version;
    EXPECT_EQ(loaded.GetName(), u"Ab");
  }
}

// Where the parts of FullElement's record lie, worked out field by field: id, type and presence
// take 9 bytes; the details id and rating 5; a localized string 4 + 1 + 4 + its UTF-8 bytes; a
// saved string 4 + its bytes; a category 8 + 4 + its text.
constexpr std::size_t kFullNameStart = 14;
constexpr std::size_t kFullAddressStart = 25;
constexpr std::size_t kFullPositionEnd = 33;
constexpr std::size_t kFullAddressEnd = 84;      // a1, a2 6 each, l1, l2, l3 11 each, a3 6
constexpr std::size_t kFullCategoryStart = 109;  // behind "t1 \u00E9" (5 bytes) and "t2"
constexpr std::size_t kFullCategoryEnd = 124;
constexpr std::size_t kFullDetailsEnd = 182;  // extras 7 * 6 + 4 + 7, then 1 + 4
constexpr std::size_t kFullMediaEnd = 206;    // m1, three empty, m5
constexpr std::size_t kFullLinksEnd = 230;    // empty, k2, empty, k4, empty

TEST(CTaviElementSave, FullElementRecordTakesItsWorkedOutSize) {
  CTaviElement element = FullElement();
  EXPECT_EQ(SavedRecord(element).size(), kFullLinksEnd);
}

using PartLoader = bool (*)(CFile& file);

struct SPartCase {
  const char* label;
  bool named;  // a slice of NamedElement's record, otherwise of FullElement's
  std::size_t start;
  std::size_t end;
  PartLoader load;
};

template <class T, std::int32_t... arguments>
bool LoadPart(CFile& file) {
  T part;
  return part.Load(file, arguments...);
}

bool LoadName(CFile& file) {
  CCompactString name;
  return LoadLocalizedString(file, name);
}

class CTaviElementTruncation : public testing::TestWithParam<SPartCase> {};

// Each part is tested alone as well: a part that kept a cut short to itself would otherwise go
// unseen wherever later fields of the record fail after it.
TEST_P(CTaviElementTruncation, OnlyTheWholePartLoadsComplete) {
  CTaviElement full = FullElement();
  const Bytes record = GetParam().named ? kNamedRecord : SavedRecord(full);
  ASSERT_LE(GetParam().end, record.size());
  const auto begin = record.begin() + static_cast<std::ptrdiff_t>(GetParam().start);
  for (std::size_t size = 0; size <= GetParam().end - GetParam().start; ++size) {
    CBytesFile input(Bytes(begin, begin + static_cast<std::ptrdiff_t>(size)));
    EXPECT_EQ(GetParam().load(input.file()), size == GetParam().end - GetParam().start) << size;
    EXPECT_LE(input.file().GetPosition(), size);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Parts, CTaviElementTruncation,
    testing::Values(
        SPartCase{"NamedVersion4", true, 0, kNamedDetailsEnd, LoadPart<CTaviElement, 0, 4>},
        SPartCase{"NamedVersion3", true, 0, kNamedAddressEnd, LoadPart<CTaviElement, 0, 3>},
        SPartCase{"NamedVersion2", true, 0, kNamedPositionEnd, LoadPart<CTaviElement, 0, 2>},
        SPartCase{"FullVersion4", false, 0, kFullLinksEnd, LoadPart<CTaviElement, 0, 4>},
        SPartCase{"FullVersion3", false, 0, kFullAddressEnd, LoadPart<CTaviElement, 0, 3>},
        SPartCase{"FullVersion2", false, 0, kFullPositionEnd, LoadPart<CTaviElement, 0, 2>},
        SPartCase{"DetailsVersion4", false, 9, kFullDetailsEnd, LoadPart<CTaviDetails, 4>},
        SPartCase{"DetailsVersion3", false, 9, kFullAddressEnd, LoadPart<CTaviDetails, 3>},
        SPartCase{"DetailsVersion2", false, 9, kFullPositionEnd, LoadPart<CTaviDetails, 2>},
        SPartCase{"Name", false, kFullNameStart, kFullAddressStart, LoadName},
        SPartCase{"AddressVersion4", false, kFullAddressStart, kFullAddressEnd,
                  LoadPart<CTaviAddress, 4>},
        SPartCase{"AddressVersion3", false, kFullAddressStart, kFullAddressEnd,
                  LoadPart<CTaviAddress, 3>},
        SPartCase{"AddressVersion2", false, kFullAddressStart, kFullPositionEnd,
                  LoadPart<CTaviAddress, 2>},
        SPartCase{"Category", false, kFullCategoryStart, kFullCategoryEnd, LoadPart<CTaviCategory>},
        SPartCase{"Media", false, kFullDetailsEnd, kFullMediaEnd, LoadPart<CTaviMedia>},
        SPartCase{"Links", false, kFullMediaEnd, kFullLinksEnd, LoadPart<CTaviLinks>}),
    CaseLabel());

TEST(CTaviElementLoadDamaged, EveryTruncationKeepsWhatArrived) {
  CTaviElement full = FullElement();
  const Bytes whole = SavedRecord(full);
  for (std::size_t size = 0; size < whole.size(); ++size) {
    CBytesFile input(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size)));
    CTaviElement loaded;
    EXPECT_FALSE(loaded.Load(input.file(), 0, 4)) << size;
    EXPECT_EQ(loaded.details != nullptr, size >= 9) << size;
    if (size >= kFullAddressStart) {
      EXPECT_EQ(loaded.GetName(), u"Ab") << size;
    }
    ASSERT_EQ(loaded.media != nullptr, size >= 9) << size;
    if (loaded.media) {
      EXPECT_EQ(loaded.media->media5 == u"m5", size >= kFullMediaEnd) << size;
    }
  }
}

TEST(CTaviElementLoadDamaged, OffsetBeyondTheEndFails) {
  CBytesFile input(kNamedRecord);
  CTaviElement loaded;
  EXPECT_FALSE(loaded.Load(input.file(), -1, 4));
  EXPECT_EQ(loaded.offset, -1);
  EXPECT_FALSE(loaded.details);
}

TEST(CTaviElementLoadDamaged, HugeNameLengthReadsOnlyTheFile) {
  Bytes bytes(kNamedRecord.begin(), kNamedRecord.begin() + 19);  // up to the name's header
  bytes.insert(bytes.end(), {0xFF, 0xFF, 0xFF, 0xBF, 0x41, 0x62});
  CBytesFile input(bytes);
  CTaviElement loaded;
  EXPECT_FALSE(loaded.Load(input.file(), 0, 4));
  EXPECT_EQ(loaded.GetName(), u"Ab");
  EXPECT_EQ(loaded.GetPosition(), kNoPosition);  // the address found no bytes left
}

TEST(CTaviElementLoadDamaged, HugeLocalizedCountReadsOnlyTheFile) {
  Bytes bytes = kNamedRecord;
  bytes[17] = 0xFF;  // the high byte of the name's entry count: 0xFF000001
  CBytesFile input(bytes);
  CTaviElement loaded;
  EXPECT_FALSE(loaded.Load(input.file(), 0, 4));
  EXPECT_EQ(input.file().GetPosition(), bytes.size());
}

TEST(CTaviElement, PartsAreMadeOnDemand) {
  CTaviElement element;
  EXPECT_EQ(element.GetPosition(), kNoPosition);
  EXPECT_EQ(element.GetName(), u"");
  EXPECT_EQ(element.GetAddressLine(), u"");
  EXPECT_EQ(element.GetRatingString(u"*"), u"");
  element.SetName(u"n");
  EXPECT_EQ(element.GetPosition(), kNoPosition);
  EXPECT_FALSE(element.details->address);
  element.SetPosition(GeoPoint{5, 6});
  EXPECT_EQ(element.GetPosition(), (GeoPoint{5, 6}));
  EXPECT_FALSE(element.details->category);
  element.EnsureDetails();
  ASSERT_TRUE(element.details->category);
  EXPECT_EQ(element.details->category->code1, -1);
  EXPECT_EQ(element.details->category->code2, -1);
  EXPECT_EQ(element.GetName(), u"n");
  EXPECT_EQ(element.GetPosition(), (GeoPoint{5, 6}));
  CTaviElement empty;
  empty.EnsureDetails();
  EXPECT_EQ(empty.GetPosition(), kNoPosition);
}

struct SAddressLineCase {
  WString localAddr1;
  WString addr1;
  WString addr2;
  WString expected;
};

TEST(CTaviElement, AddressLineJoinsTheParts) {
  for (const SAddressLineCase& line :
       {SAddressLineCase{u"A", u"B", u"7", u"A, B 7"}, SAddressLineCase{u"", u"B", u"7", u"B 7"},
        SAddressLineCase{u"", u"", u"7", u"7"}, SAddressLineCase{u"", u"", u"", u""}}) {
    CTaviElement element;
    element.SetPosition(GeoPoint{});
    element.details->address->localAddr1 = line.localAddr1;
    element.details->address->addr1 = line.addr1;
    element.details->address->addr2 = line.addr2;
    EXPECT_EQ(element.GetAddressLine(), line.expected);
  }
}

TEST(CTaviElement, RatingStringRepeatsTheUnit) {
  CTaviElement element;
  element.SetName(u"x");
  EXPECT_EQ(element.GetRatingString(u"*"), u"");
  element.details->rating = 3;
  EXPECT_EQ(element.GetRatingString(u"ab"), u"ababab");
  element.details->rating = 255;
  EXPECT_EQ(element.GetRatingString(u"*"), WString(255, u'*'));
}

TEST(CTaviElement, TypeCodeTable) {
  const std::vector<std::pair<std::int32_t, std::int32_t>> table{
      {1, 202},  {3, 70},   {4, 70},  {5, 155},  {6, 3},   {7, 203},  {8, 315}, {9, 306},
      {11, 159}, {12, 130}, {2, 255}, {10, 255}, {0, 255}, {-1, 255}, {13, 255}};
  for (const auto& [type, code] : table) {
    CTaviElement element;
    element.type = type;
    EXPECT_EQ(element.GetTypeCode(), code) << type;
  }
}

}  // namespace
}  // namespace tavi::test
