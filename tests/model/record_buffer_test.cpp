#include "model/record_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace tavi::test {
namespace {

TEST(CRecordBuffer, FieldsAreLittleEndian) {
  CRecordBuffer record;
  AppendUInt32(record, 0x12345678);
  AppendInt32(record, -2);
  AppendUInt8(record, 0xAB);
  EXPECT_EQ(record.view(), std::string("\x78\x56\x34\x12\xFE\xFF\xFF\xFF\xAB", 9));
}

TEST(CRecordBuffer, GrowingKeepsWhatWasAppendedAndClearStartsAnew) {
  CRecordBuffer record;
  std::string expected;
  for (std::uint32_t i = 0; i < 1000; ++i) {
    AppendUInt8(record, static_cast<std::uint8_t>(i));
    expected.push_back(static_cast<char>(i & 0xFF));
  }
  char* big = record.Extend(5000);
  std::fill_n(big, 5000, 'z');
  expected.append(5000, 'z');
  EXPECT_EQ(record.size(), expected.size());
  EXPECT_EQ(record.view(), expected);
  record.Extend(100000);
  record.Clear();
  EXPECT_EQ(record.size(), 0u);
  record.Trim(1000);
  AppendUInt8(record, 7);
  EXPECT_EQ(record.view(), std::string(1, '\x07'));
}

}  // namespace
}  // namespace tavi::test
