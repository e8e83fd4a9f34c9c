#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>

#include "app/conversion_host.h"
#include "app/conversion_worker.h"
#include "platform/code_page.h"
#include "platform/convertor_messages.h"
#include "platform/file.h"
#include "platform/path.h"
#include "writer/index_io.h"
#include "writer/tavi_header.h"

namespace tavi::fuzz {

namespace {

class CListHost : public IConversionHost {
 public:
  explicit CListHost(const std::vector<std::filesystem::path>& inputs) {
    for (const auto& input : inputs) m_files.push_back(FromNativePath(input));
  }
  int GetFileCount() override { return static_cast<int>(m_files.size()); }
  WString GetFileText(int index) override { return m_files[static_cast<std::size_t>(index)]; }
  void RecordResult(const SFileResult& result) override { results.push_back(result); }

  std::vector<SFileResult> results;

 private:
  std::vector<WString> m_files;
};

// Takes every log line as it is posted, as the window does when it receives the message.
class CLogRecorder : public IMessageTarget {
 public:
  void Post(std::uint32_t message, std::uintptr_t, std::intptr_t) override {
    WString line;
    if (message == WM_CONVERTOR_LOG && TakeLogLine(line)) log.push_back(WideToUtf8(line));
  }
  std::vector<std::string> log;
};

}  // namespace

const std::filesystem::path& ScratchFolder() {
  static const std::filesystem::path folder = [] {
    g_fileSystemCalls.fsync = [](int) { return 0; };
    g_fileSystemCalls.bufferBytes = 512;
    std::string name = (std::filesystem::temp_directory_path() / "tavi-fuzz-XXXXXX").string();
    Check(::mkdtemp(name.data()) != nullptr, "a scratch folder can be made");
    return std::filesystem::path(name);
  }();
  return folder;
}

void WriteFile(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  Check(out.good(), "the input can be written");
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "check failed: %s\n", what);
  std::abort();
}

SRun ConvertFiles(const std::vector<std::filesystem::path>& inputs) {
  CListHost host(inputs);
  CLogRecorder recorder;
  IMessageTarget* const previous = g_hMainWnd.exchange(&recorder);
  ConversionThreadProc(&host);
  g_hMainWnd.store(previous);
  return {std::move(host.results), std::move(recorder.log)};
}

std::int64_t CountElements(const std::filesystem::path& path, bool& whole) {
  CFile file;
  STaviHeader header;
  whole = file.Open(FromNativePath(path), CFile::modeRead) && ReadHeader(file, header);
  if (!whole) return 0;
  SRectNodeList root;
  whole = CIndexReader(file).ReadIndex(root);
  std::int64_t count = 0;
  WalkPreOrder(root, [&count](SRectNode& node) {
    if (node.elements != nullptr) count += static_cast<std::int64_t>(node.elements->size());
    return node.children.get();
  });
  return count;
}

void CheckOutputs(const SRun& run) {
  for (const SFileResult& result : run.results) {
    const std::string output = WideToUtf8(result.output);
    const std::string success =
        "Successfully imported " + std::to_string(result.poisWritten) + " pois - " + output;
    const bool reported = std::find(run.log.begin(), run.log.end(), success) != run.log.end();
    Check(reported == !output.empty(), "an output has its success line, with its count");
    if (output.empty()) continue;
    bool whole = false;
    Check(CountElements(output, whole) == result.poisWritten, "the output holds the POIs reported");
    Check(whole, "an output is read back whole");
  }
}

}  // namespace tavi::fuzz
