#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/message_box.h"
#include "platform/message_target.h"
#include "platform/wide_string.h"
#include "writer/spatial_index.h"

namespace tavi::test {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder under the system's temporary folder, removed with the object.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return m_path; }
  // Wide path of a file inside the folder.
  WString File(const std::string& name) const;
  // Writes the file and returns its wide path.
  WString Write(const std::string& name, std::string_view bytes) const;

 private:
  std::filesystem::path m_path;
};

Bytes ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const Bytes& bytes);
// The bytes of an annotated hex dump: pairs of hex digits; "#" starts a comment up to the end of
// its line. FromHex reads one line, ReadHexFile a file of the source tree (the tests run with
// TAVI_SOURCE_DIR set).
Bytes FromHex(std::string_view line);
Bytes ReadHexFile(const std::string& sourceFile);

// Little-endian bytes of the ".tavi" layouts, for files worked out by hand.
class CBytes {
 public:
  CBytes& U8(std::uint8_t value);
  CBytes& U32(std::uint32_t value);
  CBytes& Raw(std::string_view bytes);
  CBytes& Add(const CBytes& other) { return Raw(other.Text()); }
  // A string of the element records: length + 0x80000000, then the UTF-8 bytes.
  CBytes& Utf8(std::string_view text);
  // Count 1, language 0, then the string.
  CBytes& Localized(std::string_view text);
  // "IVAT", type, "2000", nextId, then the ASCII name as a count of UTF-16 units and the units.
  CBytes& TaviHeader(std::uint32_t type, std::int32_t nextId, std::string_view name);
  // An index list of count nodes: the count and three padding bytes; then a Node for each.
  CBytes& List(std::uint8_t count) { return U32(count); }
  CBytes& Node(const BoundingRect& r, std::uint32_t link);
  // The record of an element with an id, a type, an ASCII name and a position only.
  CBytes& PlainRecord(std::int32_t id, std::uint32_t type, std::string_view name, GeoPoint p);

  const Bytes& Get() const { return m_bytes; }
  std::string_view Text() const { return {reinterpret_cast<const char*>(m_bytes.data()), Size()}; }
  std::size_t Size() const { return m_bytes.size(); }

 private:
  Bytes m_bytes;
};

// Stands in for the main window while it lives: takes every waiting log line per message, as the
// window does, and keeps the lines and the posted percentages.
class CRecordingWindow : public IMessageTarget {
 public:
  CRecordingWindow();
  ~CRecordingWindow() override;
  CRecordingWindow(const CRecordingWindow&) = delete;
  CRecordingWindow& operator=(const CRecordingWindow&) = delete;
  void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;

  std::vector<WString> lines;
  std::vector<std::int32_t> percents;
  std::vector<WString> boxes;  // the texts of the message boxes shown meanwhile

 private:
  MessageBoxHandler m_previousBoxes;
};

// Makes writes of this process past limit bytes of a file fail while it lives.
class CFileSizeLimit {
 public:
  explicit CFileSizeLimit(std::uint64_t limit);
  ~CFileSizeLimit();
  CFileSizeLimit(const CFileSizeLimit&) = delete;
  CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

 private:
  std::uint64_t m_saved = 0;
  void (*m_savedHandler)(int) = nullptr;
};

// Visits every leaf of a tree, depth first in list order: the order of the blocks in a file.
void ForEachLeaf(const SRectNodeList& root, const std::function<void(const SRectNode&)>& visit);

// Runs work on a thread with a stack of 1 MiB, far less than a walk with a call per level of a
// tree thousands of levels deep would need.
void RunOnSmallStack(const std::function<void()>& work);

}  // namespace tavi::test
