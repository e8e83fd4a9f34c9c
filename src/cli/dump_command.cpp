#include "cli/dump_command.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <unordered_map>
#include <vector>

#include "cli/convert_command.h"
#include "cli/dump_writer.h"
#include "platform/file.h"
#include "platform/path.h"
#include "writer/index_io.h"
#include "writer/tavi_file.h"

namespace tavi::cli {

namespace {

class CDump {
 public:
  CDump(const WString& path, IDumpWriter& writer) : m_path(path), m_writer(writer) {}

  // False with the reason in Problem() when the file is damaged or cannot be read.
  bool Run() {
    if (!ReadHeader()) return false;
    bool complete = m_file.ReadWholeIndex();
    if (!complete) Report("the index is damaged or cut short");
    if (const SRectNodeList* root = m_file.GetRoot()) {
      complete = (ReadBlocks(*root) && complete);
      WriteList(*root);
    }
    return WriteElements() && complete;
  }

  const std::string& Problem() const { return m_problem; }

 private:
  bool ReadHeader() {
    CFile probe;
    if (!probe.Open(m_path, CFile::modeRead)) return Report("cannot open the file");
    if (!m_file.Open(m_path, false)) return Report("the header is cut short");
    m_writer.Header(m_file.GetHeader());
    return true;
  }

  // Reads the offset table of every leaf below list, depth first, and counts the elements below
  // every internal node, so that a node can show its count before its children are written.
  bool ReadBlocks(const SRectNodeList& list) {
    bool complete = true;
    for (std::size_t i = 0; i < list.count; ++i) {
      const SRectNode& node = *list.nodes[i];
      if (IsLeaf(node)) {
        complete = ReadBlock(node.link & ~kLeafFlag) && complete;
      } else if (node.children != nullptr) {
        const std::size_t firstBlock = m_blocks.size();
        complete = ReadBlocks(*node.children) && complete;
        std::uint64_t below = 0;
        for (std::size_t b = firstBlock; b < m_blocks.size(); ++b)
          below += m_blocks[b].offsets.size();
        m_elementsBelow[&node] = below;
      }
    }
    return complete;
  }

  // Writes the nodes of a list and below, in the order ReadBlocks met them.
  void WriteList(const SRectNodeList& list) {
    for (std::size_t i = 0; i < list.count; ++i) {
      const SRectNode& node = *list.nodes[i];
      SDumpNode shown{node.left, node.top, node.right, node.bottom, IsLeaf(node), 0, 0};
      if (shown.leaf) {
        shown.elements = m_blocks[m_nextBlock++].offsets.size();
      } else if (node.children != nullptr) {
        shown.nodes = node.children->count;
        shown.elements = m_elementsBelow[&node];
      }
      m_writer.BeginNode(shown);
      if (!shown.leaf && node.children != nullptr) WriteList(*node.children);
      m_writer.EndNode();
    }
  }

  static bool IsLeaf(const SRectNode& node) { return (node.link & kLeafFlag) != 0; }

  bool ReadBlock(std::uint32_t blockOffset) {
    m_blocks.push_back({blockOffset, {}});
    if (m_file.ReadElementBlockAt(blockOffset, m_blocks.back().offsets)) return true;
    return Report("the element block at offset " + std::to_string(blockOffset) + " is cut short");
  }

  bool WriteElements() {
    CFile file;
    if (!file.Open(m_path, CFile::modeRead)) return Report("cannot open the file");
    CIndexReader reader(file);
    bool complete = true;
    for (const SBlock& block : m_blocks) {
      for (const std::uint32_t offset : block.offsets) {
        const std::unique_ptr<CTaviElement> element = reader.LoadElement(offset, kElementVersion);
        if (element == nullptr) {
          complete = Report("the element record at offset " + std::to_string(offset) +
                            " does not lie in the file");
          continue;
        }
        if (IsCutShort(file, offset)) {
          complete =
              Report("the element record at offset " + std::to_string(offset) + " is cut short");
        }
        m_writer.Element(*element);
      }
    }
    return complete;
  }

  // The index reader keeps the result of the record's Load to itself. A cut leaves the file at its
  // end, so a record that ended before the end arrived whole; one that reached it is the file's
  // last record or cut short, and loading it once more tells which.
  static bool IsCutShort(CFile& file, std::uint32_t offset) {
    if (file.GetPosition() < file.GetLength()) return false;
    CTaviElement again;
    return !again.Load(file, static_cast<std::int32_t>(offset), kElementVersion);
  }

  // Keeps the first problem: later ones usually follow from it.
  bool Report(const std::string& problem) {
    if (m_problem.empty()) m_problem = problem;
    return false;
  }

  struct SBlock {
    std::uint32_t offset = 0;
    std::vector<std::uint32_t> offsets;
  };

  const WString m_path;
  IDumpWriter& m_writer;
  CTaviFile m_file;
  std::vector<SBlock> m_blocks;  // every leaf's offset table, depth first
  std::size_t m_nextBlock = 0;
  std::unordered_map<const SRectNode*, std::uint64_t> m_elementsBelow;
  std::string m_problem;
};

}  // namespace

namespace {

// Whether the file starts as every TAVI file does. A cut file that keeps its magic is a damaged
// TAVI file and is dumped as far as it goes; anything else is not dumped at all.
bool HasTaviMagic(const WString& path) {
  CFile file;
  std::array<std::uint8_t, 4> magic{};
  return file.Open(path, CFile::modeRead) &&
         file.Read(magic.data(), magic.size()) == magic.size() && magic == STaviHeader().magic;
}

}  // namespace

int RunDump(const SDumpOptions& options, std::ostream& out, std::ostream& err) {
  const WString path = FromNativePath(std::filesystem::path(options.path));
  CFile probe;
  if (!probe.Open(path, CFile::modeRead)) {
    err << "tavi: " << options.path << ": " << DescribeError(probe.GetLastError()) << '\n';
    return kExitFailure;
  }
  if (!HasTaviMagic(path)) {
    err << "tavi: " << options.path << " is not a TAVI file\n";
    return kExitFailure;
  }
  const std::unique_ptr<IDumpWriter> writer =
      options.json ? MakeJsonDumpWriter(out) : MakeTextDumpWriter(out);
  CDump dump(path, *writer);
  const bool complete = dump.Run();
  writer->Finish();
  if (complete) return kExitSuccess;
  err << "tavi: " << options.path << ": " << dump.Problem() << '\n';
  return kExitFailure;
}

}  // namespace tavi::cli
