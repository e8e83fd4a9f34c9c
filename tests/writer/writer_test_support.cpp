#include "writer/writer_test_support.h"

#include <utility>

#include "writer/tavi_file.h"

namespace tavi::test {

std::unique_ptr<CTaviElement> MakeElement(const WString& name, std::int32_t x, std::int32_t y) {
  auto element = std::make_unique<CTaviElement>();
  element->SetName(name);
  element->SetPosition(GeoPoint{x, y});
  return element;
}

int AddOneElement(const WString& path, const WString& name) {
  CCustomTaviFile file;
  file.Open(path, false);
  ElementArray elements;
  elements.push_back(MakeElement(name, 1500000, 4500000));
  return file.AddElementsAndSave(std::move(elements));
}

CRecordingWindow::CRecordingWindow() {
  g_nLastPercent = -1;
  g_hMainWnd.store(this);
}

CRecordingWindow::~CRecordingWindow() {
  g_hMainWnd.store(nullptr);
}

void CRecordingWindow::Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
  if (message == WM_CONVERTOR_PROGRESS) percents.push_back(static_cast<std::int32_t>(wParam));
  WString line;
  if (message == WM_CONVERTOR_LOG && TakeLogLine(line)) lines.push_back(line);
}

CBytes& CBytes::U8(std::uint8_t value) {
  m_bytes.push_back(value);
  return *this;
}

CBytes& CBytes::U16(std::uint16_t value) {
  U8(static_cast<std::uint8_t>(value));
  return U8(static_cast<std::uint8_t>(value >> 8));
}

CBytes& CBytes::U32(std::uint32_t value) {
  U16(static_cast<std::uint16_t>(value));
  return U16(static_cast<std::uint16_t>(value >> 16));
}

CBytes& CBytes::Raw(const std::string& text) {
  for (const char c : text) U8(static_cast<std::uint8_t>(c));
  return *this;
}

CBytes& CBytes::Utf8(const std::string& text) {
  U32(static_cast<std::uint32_t>(text.size()) + 0x80000000u);
  return Raw(text);
}

CBytes& CBytes::Localized(const std::string& text) {
  return U32(1).U8(0).Utf8(text);
}

CBytes& PlainRecord(CBytes& bytes, std::int32_t id, std::uint32_t type, const std::string& name,
                    std::int32_t x, std::int32_t y) {
  bytes.I32(id).U32(type).U8(1);          // id, type, details follow
  bytes.I32(id).U8(0).Localized(name);    // details id, rating, name
  bytes.I32(x).I32(y).Utf8("").Utf8("");  // address
  bytes.Localized("").Localized("").Localized("").Utf8("");
  bytes.Localized("").Localized("");           // text1, text2
  bytes.I32(-1).I32(-1).Utf8("");              // category
  for (int i = 0; i < 8; ++i) bytes.Utf8("");  // extra1..extra8
  return bytes.U8(0).I32(0);
}

std::uint32_t LoadUInt32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes.at(at)) |
         static_cast<std::uint32_t>(bytes.at(at + 1)) << 8 |
         static_cast<std::uint32_t>(bytes.at(at + 2)) << 16 |
         static_cast<std::uint32_t>(bytes.at(at + 3)) << 24;
}

}  // namespace tavi::test
