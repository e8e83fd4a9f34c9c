#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/message_box.h"
#include "platform/wide_string.h"
#include "support/test_support.h"

namespace tavi::test {

using Bytes = std::vector<std::uint8_t>;

// Runs write on a new file and returns the bytes it left there.
inline Bytes WrittenBytes(const std::function<void(CFile&)>& write) {
  TempFolder folder;
  CFile file;
  if (!file.Open(folder.File("out.bin"), CFile::modeCreate | CFile::modeWrite)) return {};
  write(file);
  file.Close();
  return ReadBytes(folder.Path() / "out.bin");
}

// A file holding the given bytes, open for reading.
class CBytesFile {
 public:
  explicit CBytesFile(const Bytes& bytes) {
    WriteBytes(m_folder.Path() / "in.bin", bytes);
    m_file.Open(m_folder.File("in.bin"), CFile::modeRead);
  }
  CFile& file() { return m_file; }

 private:
  TempFolder m_folder;
  CFile m_file;
};

// Collects the texts of the message boxes shown while it lives.
class CMessageRecorder {
 public:
  CMessageRecorder()
      : m_previous(SetMessageBoxHandler([this](const WString& text) { texts.push_back(text); })) {}
  ~CMessageRecorder() { SetMessageBoxHandler(m_previous); }
  CMessageRecorder(const CMessageRecorder&) = delete;
  CMessageRecorder& operator=(const CMessageRecorder&) = delete;

  std::vector<WString> texts;

 private:
  MessageBoxHandler m_previous;
};

// Names a parameterised case by its label field.
struct CaseLabel {
  template <class T>
  std::string operator()(const testing::TestParamInfo<T>& parameter) const {
    return parameter.param.label;
  }
};

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

}  // namespace tavi::test
