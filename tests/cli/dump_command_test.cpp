#include "cli/dump_command.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/dump_writer.h"
#include "support/test_support.h"
#include "writer/tavi_file.h"

namespace tavi::cli {
namespace {

TEST(FormatDegreesTest, HundredThousandthsOfADegree) {
  const std::pair<std::int32_t, const char*> cases[] = {
      {0, "0.00000"},          {1, "0.00001"},          {-1, "-0.00001"},
      {-1250000, "-12.50000"}, {18000000, "180.00000"}, {-2147483647 - 1, "-21474.83648"}};
  for (const auto& [raw, text] : cases) EXPECT_EQ(FormatDegrees(raw), text);
}

// Little-endian helpers for files assembled by hand.
void Append32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8)
    bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

// Header "IVAT", poiType, "2000", nextId, then an empty name.
std::vector<std::uint8_t> HeaderWithoutName(std::uint32_t poiType, std::uint32_t nextId) {
  std::vector<std::uint8_t> bytes{'I', 'V', 'A', 'T'};
  Append32(bytes, poiType);
  bytes.insert(bytes.end(), {'2', '0', '0', '0'});
  Append32(bytes, nextId);
  bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

// A list of one node: count 1, padding, the rectangle and the link.
void AppendOneNodeList(std::vector<std::uint8_t>& bytes, std::int32_t left, std::int32_t top,
                       std::int32_t right, std::int32_t bottom, std::uint32_t link) {
  bytes.insert(bytes.end(), {1, 0, 0, 0});
  for (const std::int32_t edge : {left, top, right, bottom})
    Append32(bytes, static_cast<std::uint32_t>(edge));
  Append32(bytes, link);
}

class DumpCommandTest : public ::testing::Test {
 protected:
  int Dump(const std::vector<std::uint8_t>& bytes, bool json = false) {
    test::WriteBytes(m_folder.Path() / "f.tavi", bytes);
    m_out.str("");
    m_err.str("");
    return RunDump({(m_folder.Path() / "f.tavi").string(), json}, m_out, m_err);
  }

  test::TempFolder m_folder;
  std::ostringstream m_out, m_err;
};

TEST_F(DumpCommandTest, TheEmptyContainerOfShops) {
  // The 56 bytes an empty container over 10..20 degrees east, 40..50 north holds.
  std::vector<std::uint8_t> bytes{'I', 'V', 'A', 'T', 0x13, 0x20, 0x6F, 0x08, '2', '0',
                                  '0', '0', 1,   0,   0,    0,    5,    0,    'S', 0,
                                  'h', 0,   'o', 0,   'p',  0,    's',  0};
  AppendOneNodeList(bytes, 1000000, 5000000, 2000000, 4000000, 0x80000034);
  Append32(bytes, 0);
  ASSERT_EQ(bytes.size(), 56u);
  EXPECT_EQ(Dump(bytes), 0);
  EXPECT_EQ(m_out.str(),
            "header\n  magic: IVAT\n  poiType: 0x086F2013\n  version: 2000\n"
            "  nextId: 1\n  name: Shops\nindex\n"
            "  leaf west 10.00000 north 50.00000 east 20.00000 south 40.00000"
            " (raw 1000000 5000000 2000000 4000000) elements 0\n");
  EXPECT_EQ(m_err.str(), "");
}

// Header (18 bytes, no name); at 18 a root list whose node is internal with its child list at
// 42; that list's leaf has its block at 66, which holds no element.
std::vector<std::uint8_t> TwoLevelFile() {
  std::vector<std::uint8_t> bytes = HeaderWithoutName(0, 1);
  AppendOneNodeList(bytes, -100000, 200000, 300000, -400000, 42);
  AppendOneNodeList(bytes, 0, 100000, 100000, 0, 0x80000000 | 66);
  Append32(bytes, 0);
  return bytes;
}

TEST_F(DumpCommandTest, AnInternalNodeShowsItsChildrenIndented) {
  EXPECT_EQ(Dump(TwoLevelFile()), 0);
  EXPECT_EQ(m_out.str(),
            "header\n  magic: IVAT\n  poiType: 0x00000000\n  version: 2000\n"
            "  nextId: 1\n  name:\nindex\n"
            "  internal west -1.00000 north 2.00000 east 3.00000 south -4.00000"
            " (raw -100000 200000 300000 -400000) nodes 1 elements 0\n"
            "    leaf west 0.00000 north 1.00000 east 1.00000 south 0.00000"
            " (raw 0 100000 100000 0) elements 0\n");
  EXPECT_EQ(Dump(TwoLevelFile(), true), 0);
  EXPECT_EQ(m_out.str(),
            "{\n\"header\": {\"magic\": \"IVAT\", \"poiType\": 0, \"version\": \"2000\", "
            "\"nextId\": 1, \"name\": \"\"},\n\"index\": [\n"
            "  {\"leaf\": false, \"west\": -1.00000, \"north\": 2.00000, \"east\": 3.00000, "
            "\"south\": -4.00000, \"left\": -100000, \"top\": 200000, \"right\": 300000, "
            "\"bottom\": -400000, \"elements\": 0, \"children\": [\n"
            "    {\"leaf\": true, \"west\": 0.00000, \"north\": 1.00000, \"east\": 1.00000, "
            "\"south\": 0.00000, \"left\": 0, \"top\": 100000, \"right\": 100000, \"bottom\": 0, "
            "\"elements\": 0}]}]\n}\n");
}

TEST_F(DumpCommandTest, AListThatLinksToItselfIsShownOnceAndReported) {
  std::vector<std::uint8_t> bytes = HeaderWithoutName(0, 1);
  AppendOneNodeList(bytes, 0, 1, 1, 0, 18);
  EXPECT_EQ(Dump(bytes), 1);
  EXPECT_EQ(m_out.str().substr(m_out.str().find("index")),
            "index\n  internal west 0.00000 north 0.00001 east 0.00001 south 0.00000"
            " (raw 0 1 1 0) nodes 0 elements 0\n");
  EXPECT_EQ(m_err.str(), "tavi: " + (m_folder.Path() / "f.tavi").string() +
                             ": the index is damaged or cut short\n");
}

TEST_F(DumpCommandTest, AMissingFileIsReported) {
  const std::string path = (m_folder.Path() / "none.tavi").string();
  EXPECT_EQ(RunDump({path, false}, m_out, m_err), 1);
  EXPECT_EQ(m_out.str(), "");
  EXPECT_EQ(m_err.str(), "tavi: " + path + ": cannot open the file\n");
}

// A file as the converter writes it: two elements, one with texts in several fields.
std::vector<std::uint8_t> WrittenFile(const test::TempFolder& folder) {
  const WString path = folder.File("w.tavi");
  ElementArray elements;
  elements.push_back(std::make_unique<CTaviElement>());
  elements.back()->SetName(u"Caf\u00e9 \"Q\"");
  elements.back()->SetPosition({1350000, 5225000});
  elements.back()->details->address->addr1 = WString(u"Street 1");
  elements.back()->details->extra5 = WString(u"e5");
  elements.push_back(std::make_unique<CTaviElement>());
  elements.back()->SetName(u"Beta");
  elements.back()->SetPosition({-50000, 5175000});
  CCustomTaviFile file;
  EXPECT_TRUE(file.Create(path, BoundingRect{-50000, 5225000, 1350000, 5175000}));
  EXPECT_EQ(file.AddElementsAndSave(std::move(elements)), 1);
  return test::ReadBytes(folder.Path() / "w.tavi");
}

TEST_F(DumpCommandTest, JsonElementsEscapeTheirTexts) {
  EXPECT_EQ(Dump(WrittenFile(m_folder), true), 0);
  const std::string out = m_out.str();
  // type 119 is the name hash of "w".
  EXPECT_EQ(out.substr(out.find("\"elements\": [")),
            "\"elements\": [\n"
            "  {\"id\": 1, \"type\": 119, \"longitude\": 13.50000, \"latitude\": 52.25000, "
            "\"x\": 1350000, \"y\": 5225000, \"name\": \"Caf\xc3\xa9 \\\"Q\\\"\", "
            "\"addr1\": \"Street 1\", \"extra5\": \"e5\"},\n"
            "  {\"id\": 2, \"type\": 119, \"longitude\": -0.50000, \"latitude\": 51.75000, "
            "\"x\": -50000, \"y\": 5175000, \"name\": \"Beta\"}]\n}\n");
}

TEST_F(DumpCommandTest, EveryCutOfAWrittenFileIsReportedAndStillPrinted) {
  const std::vector<std::uint8_t> whole = WrittenFile(m_folder);
  for (std::size_t size = 0; size < whole.size(); ++size) {
    const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(size));
    for (const bool json : {false, true}) {
      EXPECT_EQ(Dump(cut, json), 1) << "cut at " << size << (json ? " (json)" : "");
      EXPECT_NE(m_err.str(), "") << "cut at " << size;
      if (json) {
        EXPECT_EQ(m_out.str().substr(m_out.str().size() - 2), "}\n") << size;
      }
    }
  }
}

}  // namespace
}  // namespace tavi::cli
