#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "model/tavi_element.h"
#include "platform/convertor_messages.h"
#include "platform/wide_string.h"

namespace tavi::test {

std::unique_ptr<CTaviElement> MakeElement(const WString& name, std::int32_t x, std::int32_t y);

// Opens an existing file as a container and stores one element named name at (1500000, 4500000);
// returns what AddElementsAndSave gives.
int AddOneElement(const WString& path, const WString& name);

// Stands in for the main window while registered: takes every log line at once and keeps the
// lines and the posted percentages.
class CRecordingWindow : public IMessageTarget {
 public:
  CRecordingWindow();
  ~CRecordingWindow() override;
  void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;

  std::vector<WString> lines;
  std::vector<std::int32_t> percents;
};

// Little-endian byte building for expectations worked out by hand.
class CBytes {
 public:
  CBytes& U8(std::uint8_t value);
  CBytes& U16(std::uint16_t value);
  CBytes& U32(std::uint32_t value);
  CBytes& I32(std::int32_t value) { return U32(static_cast<std::uint32_t>(value)); }
  CBytes& Raw(const std::string& text);
  // A UTF-8 encoded string of the element records: header length + 0x80000000, then the bytes.
  CBytes& Utf8(const std::string& text);
  // Count 1, language 0, then the text as above.
  CBytes& Localized(const std::string& text);
  const std::vector<std::uint8_t>& Get() const { return m_bytes; }
  std::size_t Size() const { return m_bytes.size(); }

 private:
  std::vector<std::uint8_t> m_bytes;
};

// The record of an element with only an id, a type, a name and a position, as written for
// version 4: 137 bytes plus the name's.
CBytes& PlainRecord(CBytes& bytes, std::int32_t id, std::uint32_t type, const std::string& name,
                    std::int32_t x, std::int32_t y);

std::uint32_t LoadUInt32(const std::vector<std::uint8_t>& bytes, std::size_t at);

// The path of a test file (ASCII only) for the file helpers.
inline std::filesystem::path Native(const WString& path) {
  return std::filesystem::path(std::string(path.begin(), path.end()));
}

}  // namespace tavi::test
