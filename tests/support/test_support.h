#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/wide_string.h"

namespace tavi::test {

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

 private:
  std::filesystem::path m_path;
};

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// Hex dump "49 56 41 54 ..." for readable byte comparisons in test failures.
std::string Hex(const std::vector<std::uint8_t>& bytes);

}  // namespace tavi::test
