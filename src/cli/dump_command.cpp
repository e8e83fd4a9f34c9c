#include "cli/dump_command.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "cli/convert_command.h"
#include "cli/dump_writer.h"
#include "platform/file.h"
#include "platform/path.h"
#include "writer/index_io.h"
#include "writer/tavi_header.h"

namespace tavi::cli {

namespace {

// One reader reads the whole file, so that no list, offset table or record is read twice and all
// it reads together never takes more bytes than the file holds: a file whose leaves all share one
// block, or whose blocks overlap, costs no more than a sound file of its size.
class CDump {
 public:
  CDump(const WString& path, IDumpWriter& writer) : m_path(path), m_writer(writer) {}

  // False with the reason in Problem() when the file is damaged or cannot be read.
  bool Run() {
    if (!m_file.Open(m_path, CFile::modeRead)) return Report("cannot open the file");
    STaviHeader header;
    if (!ReadHeader(m_file, header)) return Report("the header is cut short");
    m_writer.Header(header);
    CIndexReader reader(m_file);
    SRectNodeList root;
    bool complete = reader.ReadIndexLists(root, true, nullptr);
    if (!complete) Report("the index is damaged or cut short");
    complete = ListNodes(root, reader) && complete;
    for (const SDumpNode& node : m_nodes) m_writer.Node(node);
    return WriteElements(reader) && complete;
  }

  const std::string& Problem() const { return m_problem; }

 private:
  struct SOpenList {
    const SRectNodeList* list = nullptr;
    std::size_t next = 0;
    std::int64_t parent = -1;
  };

  // Lists the nodes depth first with their depth and parent, reading every leaf's offset table on
  // the way; then adds each node's elements to its parent's, so that an internal node shows the
  // elements of all leaves below it. A stack of open lists stands in for calls: the depth of a
  // file is not limited.
  bool ListNodes(const SRectNodeList& root, CIndexReader& reader) {
    bool complete = true;
    std::vector<SOpenList> open{{&root, 0, -1}};
    while (!open.empty()) {
      SOpenList& top = open.back();
      if (top.next == top.list->count) {
        open.pop_back();
        continue;
      }
      const SRectNode& node = *top.list->nodes[top.next++];
      SDumpNode shown{node.left, node.top, node.right,      node.bottom, IsLeaf(node),
                      0,         0,        open.size() - 1, top.parent};
      if (shown.leaf) {
        complete = ReadBlock(node.link & ~kLeafFlag, reader) && complete;
        shown.elements = m_blocks.back().offsets.size();
      } else if (node.children != nullptr) {
        shown.nodes = node.children->count;
        open.push_back({node.children.get(), 0, static_cast<std::int64_t>(m_nodes.size())});
      }
      m_nodes.push_back(shown);
    }
    // Every node comes after its parent.
    for (std::size_t i = m_nodes.size(); i-- > 0;) {
      if (m_nodes[i].parent >= 0)
        m_nodes[static_cast<std::size_t>(m_nodes[i].parent)].elements += m_nodes[i].elements;
    }
    return complete;
  }

  static bool IsLeaf(const SRectNode& node) { return (node.link & kLeafFlag) != 0; }

  bool ReadBlock(std::uint32_t blockOffset, CIndexReader& reader) {
    m_blocks.push_back({blockOffset, {}});
    if (reader.ReadElementBlock(blockOffset, m_blocks.back().offsets)) return true;
    return ReportShortfall("the element block at offset " + std::to_string(blockOffset), reader);
  }

  bool WriteElements(CIndexReader& reader) {
    bool complete = true;
    for (const SBlock& block : m_blocks) {
      for (const std::uint32_t offset : block.offsets) {
        const std::unique_ptr<CTaviElement> element = reader.LoadElement(offset, kElementVersion);
        if (reader.Shortfall() != EReadShortfall::kNone) {
          complete =
              ReportShortfall("the element record at offset " + std::to_string(offset), reader);
        }
        if (element != nullptr) m_writer.Element(*element);
      }
    }
    return complete;
  }

  // Names what the reader fell short on: a block or a record of the file.
  bool ReportShortfall(const std::string& what, const CIndexReader& reader) {
    switch (reader.Shortfall()) {
      case EReadShortfall::kOutsideFile:
        return Report(what + " does not lie in the file");
      case EReadShortfall::kListedTwice:
        return Report(what + " is listed twice");
      case EReadShortfall::kFileSpent:
        return Report(kOverlapping);
      default:
        return Report(what + " is cut short");
    }
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

  static constexpr char kOverlapping[] =
      "the element blocks and records overlap: together they take more bytes than the file holds";

  const WString m_path;
  IDumpWriter& m_writer;
  CFile m_file;
  std::vector<SDumpNode> m_nodes;  // depth first
  std::vector<SBlock> m_blocks;    // every leaf's offset table, depth first
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
