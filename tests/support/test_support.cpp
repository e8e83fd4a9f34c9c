#include "support/test_support.h"

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/convertor_messages.h"
#include "platform/path.h"

namespace tavi::test {

TempFolder::TempFolder() {
  static std::atomic<unsigned> counter{0};
  m_path = std::filesystem::temp_directory_path() /
           ("tavi-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
            std::to_string(std::random_device()()));
  std::filesystem::create_directories(m_path);
}

TempFolder::~TempFolder() {
  std::error_code error;
  std::filesystem::remove_all(m_path, error);
}

WString TempFolder::File(const std::string& name) const {
  return FromNativePath(m_path / name);
}

WString TempFolder::Write(const std::string& name, std::string_view bytes) const {
  WriteBytes(m_path / name, Bytes(bytes.begin(), bytes.end()));
  return File(name);
}

Bytes ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

Bytes FromHex(std::string_view line) {
  std::string digits;
  for (const char c : line.substr(0, line.find('#'))) {
    if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
  }
  Bytes bytes;
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

Bytes ReadHexFile(const std::string& sourceFile) {
  const char* source = std::getenv("TAVI_SOURCE_DIR");
  std::ifstream in(std::filesystem::path(source != nullptr ? source : ".") / sourceFile);
  Bytes bytes;
  for (std::string line; std::getline(in, line);) {
    const Bytes more = FromHex(line);
    bytes.insert(bytes.end(), more.begin(), more.end());
  }
  return bytes;
}

CBytes& CBytes::U8(std::uint8_t value) {
  m_bytes.push_back(value);
  return *this;
}

CBytes& CBytes::U32(std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) U8(static_cast<std::uint8_t>(value >> shift));
  return *this;
}

CBytes& CBytes::Raw(std::string_view bytes) {
  m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
  return *this;
}

CBytes& CBytes::Utf8(std::string_view text) {
  return U32(static_cast<std::uint32_t>(text.size()) | 0x80000000u).Raw(text);
}

CBytes& CBytes::Localized(std::string_view text) {
  return U32(1).U8(0).Utf8(text);
}

CBytes& CBytes::TaviHeader(std::uint32_t type, std::int32_t nextId, std::string_view name) {
  Raw("IVAT").U32(type).Raw("2000").U32(static_cast<std::uint32_t>(nextId));
  U8(static_cast<std::uint8_t>(name.size())).U8(0);
  for (const char c : name) U8(static_cast<std::uint8_t>(c)).U8(0);
  return *this;
}

CBytes& CBytes::Node(const BoundingRect& r, std::uint32_t link) {
  for (const std::int32_t edge : {r.left, r.top, r.right, r.bottom}) {
    U32(static_cast<std::uint32_t>(edge));
  }
  return U32(link);
}

CBytes& CBytes::PlainRecord(std::int32_t id, std::uint32_t type, std::string_view name,
                            GeoPoint p) {
  const auto id32 = static_cast<std::uint32_t>(id);
  U32(id32).U32(type).U8(1).U32(id32).U8(0).Localized(name);  // element, details, name
  U32(static_cast<std::uint32_t>(p.x)).U32(static_cast<std::uint32_t>(p.y)).Utf8("").Utf8("");
  Localized("").Localized("").Localized("").Utf8("");      // localAddr1..3, addr3
  Localized("").Localized("").U32(~0u).U32(~0u).Utf8("");  // text1, text2, category
  for (int i = 0; i < 8; ++i) Utf8("");                    // extra1..extra8
  return U8(0).U32(0);                                     // extraByte, extraInt
}

CRecordingWindow::CRecordingWindow()
    : m_previousBoxes(
          SetMessageBoxHandler([this](const WString& text) { boxes.push_back(text); })) {
  g_nLastPercent = -1;
  g_hMainWnd.store(this);
}

CRecordingWindow::~CRecordingWindow() {
  g_hMainWnd.store(nullptr);
  SetMessageBoxHandler(std::move(m_previousBoxes));
}

void CRecordingWindow::Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
  WString line;
  // One message stands for every line queued before the window takes them.
  while (message == WM_CONVERTOR_LOG && TakeLogLine(line)) lines.push_back(line);
  if (message == WM_CONVERTOR_PROGRESS) percents.push_back(static_cast<std::int32_t>(wParam));
}

CFileSizeLimit::CFileSizeLimit(std::uint64_t limit) {
  rlimit current{};
  getrlimit(RLIMIT_FSIZE, &current);
  m_saved = current.rlim_cur;
  // The signal would end the process; ignored, the write fails with EFBIG instead.
  m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
  current.rlim_cur = static_cast<rlim_t>(limit);
  setrlimit(RLIMIT_FSIZE, &current);
}

CFileSizeLimit::~CFileSizeLimit() {
  rlimit current{};
  getrlimit(RLIMIT_FSIZE, &current);
  current.rlim_cur = static_cast<rlim_t>(m_saved);
  setrlimit(RLIMIT_FSIZE, &current);
  std::signal(SIGXFSZ, m_savedHandler);
}

void ForEachLeaf(const SRectNodeList& root, const std::function<void(const SRectNode&)>& visit) {
  // A stack of cursors instead of a call per level: a tree read from a file may be very deep.
  std::vector<std::pair<const SRectNodeList*, std::size_t>> open{{&root, 0}};
  while (!open.empty()) {
    auto& [list, next] = open.back();
    if (next == list->count) {
      open.pop_back();
      continue;
    }
    const SRectNode& node = *list->nodes[next++];
    if (node.children != nullptr) {
      open.emplace_back(node.children.get(), 0);
    } else if ((node.link & SRectNode::kLeafFlag) != 0) {
      visit(node);
    }
  }
}

void RunOnSmallStack(const std::function<void()>& work) {
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, std::size_t{1} << 20);
  pthread_t thread;
  const auto entry = [](void* argument) -> void* {
    (*static_cast<const std::function<void()>*>(argument))();
    return nullptr;
  };
  if (pthread_create(&thread, &attributes, entry, const_cast<std::function<void()>*>(&work)) == 0)
    pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
}

}  // namespace tavi::test
