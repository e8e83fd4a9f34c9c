#include "cli/dump_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

#include "model/geo.h"
#include "platform/code_page.h"

namespace tavi::cli {

namespace {

// Every text of an element with the name of its field, in record order.
std::vector<std::pair<const char*, const CCompactString*>> ElementTexts(
    const CTaviElement& element) {
  std::vector<std::pair<const char*, const CCompactString*>> texts;
  const auto add = [&texts](const char* name, const CCompactString& text) {
    if (!text.empty()) texts.emplace_back(name, &text);
  };
  if (const CTaviDetails* d = element.details.get()) {
    add("name", d->name);
    if (const CTaviAddress* a = d->address.get()) {
      add("addr1", a->addr1);
      add("addr2", a->addr2);
      add("localAddr1", a->localAddr1);
      add("localAddr2", a->localAddr2);
      add("localAddr3", a->localAddr3);
      add("addr3", a->addr3);
    }
    add("text1", d->text1);
    add("text2", d->text2);
    if (const CTaviCategory* c = d->category.get()) add("category.text", c->text);
    for (const auto& [name, text] : {std::pair{"extra1", &d->extra1},
                                     {"extra2", &d->extra2},
                                     {"extra3", &d->extra3},
                                     {"extra4", &d->extra4},
                                     {"extra5", &d->extra5},
                                     {"extra6", &d->extra6},
                                     {"extra7", &d->extra7},
                                     {"extra8", &d->extra8}}) {
      add(name, *text);
    }
  }
  if (const CTaviMedia* m = element.media.get()) {
    for (const auto& [name, text] : {std::pair{"media1", &m->media1},
                                     {"media2", &m->media2},
                                     {"media3", &m->media3},
                                     {"media4", &m->media4},
                                     {"media5", &m->media5}}) {
      add(name, *text);
    }
  }
  if (const CTaviLinks* l = element.links.get()) {
    for (const auto& [name, text] : {std::pair{"link1", &l->link1},
                                     {"link2", &l->link2},
                                     {"link3", &l->link3},
                                     {"link4", &l->link4},
                                     {"link5", &l->link5}}) {
      add(name, *text);
    }
  }
  return texts;
}

std::string Hex32(std::uint32_t value) {
  char text[11];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

void AppendHexEscape(std::string& text, std::uint8_t byte) {
  char escaped[5];
  std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
  text += escaped;
}

// The four bytes of a tag such as the magic, printable ones as they are.
std::string TagText(const std::array<std::uint8_t, 4>& bytes) {
  std::string text;
  for (const std::uint8_t byte : bytes) {
    if (byte >= 0x20 && byte < 0x7F && byte != '\\' && byte != '"') {
      text += static_cast<char>(byte);
    } else {
      AppendHexEscape(text, byte);
    }
  }
  return text;
}

// A text on one line of the text form, whatever it holds: a name with a line break in it
// must not read as a field or an element of its own. UTF-8 beyond ASCII stays as it is.
std::string LineText(std::string_view utf8) {
  std::string text;
  for (const char c : utf8) {
    const auto byte = static_cast<std::uint8_t>(c);
    if (byte < 0x20 || byte == 0x7F || byte == '\\') {
      AppendHexEscape(text, byte);
    } else {
      text += c;
    }
  }
  return text;
}

std::string Utf8(const WString& text) {
  return WideToUtf8(text);
}

class CTextDumpWriter : public IDumpWriter {
 public:
  explicit CTextDumpWriter(std::ostream& out) : m_out(out) {}

  void Header(const STaviHeader& header) override {
    m_out << "header\n";
    Field(2, "magic", TagText(header.magic));
    Field(2, "poiType", Hex32(header.poiType));
    Field(2, "version", TagText(header.version));
    Field(2, "nextId", std::to_string(header.nextId));
    Field(2, "name", LineText(Utf8(header.name)));
  }

  // Deeper nodes keep the deepest indent and say how deep they are.
  void Node(const SDumpNode& node) override {
    if (!m_indexStarted) m_out << "index\n";
    m_indexStarted = true;
    const std::uint64_t level = node.depth + 1;
    m_out << std::string(2 * static_cast<std::size_t>(std::min(level, kMaxIndentLevels)), ' ');
    if (level > kMaxIndentLevels) m_out << "[depth " << node.depth << "] ";
    m_out << (node.leaf ? "leaf" : "internal") << " west " << FormatDegrees(node.left) << " north "
          << FormatDegrees(node.top) << " east " << FormatDegrees(node.right) << " south "
          << FormatDegrees(node.bottom) << " (raw " << node.left << ' ' << node.top << ' '
          << node.right << ' ' << node.bottom << ')';
    if (!node.leaf) m_out << " nodes " << node.nodes;
    m_out << " elements " << node.elements << '\n';
  }

  void Element(const CTaviElement& element) override {
    if (!m_elementsStarted) m_out << "elements\n";
    m_elementsStarted = true;
    const GeoPoint p = element.GetPosition();
    m_out << "  element " << element.id << '\n';
    Field(4, "type", Hex32(static_cast<std::uint32_t>(element.type)));
    Field(4, "position",
          FormatDegrees(p.x) + ' ' + FormatDegrees(p.y) + " (raw " + std::to_string(p.x) + ' ' +
              std::to_string(p.y) + ')');
    for (const auto& [name, text] : ElementTexts(element)) Field(4, name, LineText(text->utf8()));
  }

  void Finish() override { m_out.flush(); }

 private:
  void Field(std::size_t indent, const char* name, const std::string& value) {
    m_out << std::string(indent, ' ') << name << ':' << (value.empty() ? "" : " ") << value << '\n';
  }

  static constexpr std::uint64_t kMaxIndentLevels = 32;

  std::ostream& m_out;
  bool m_indexStarted = false;
  bool m_elementsStarted = false;
};

std::string JsonString(const std::string& utf8) {
  std::string quoted = "\"";
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (byte < 0x20) {
      char escaped[7];
      std::snprintf(escaped, sizeof escaped, "\\u%04X", byte);
      quoted += escaped;
    } else {
      quoted += c;
    }
  }
  return quoted + '"';
}

// The sections open as they are reached and close in Finish, so that a dump that stops early is
// still well-formed JSON.
class CJsonDumpWriter : public IDumpWriter {
 public:
  explicit CJsonDumpWriter(std::ostream& out) : m_out(out) { m_out << '{'; }

  void Header(const STaviHeader& header) override {
    m_out << "\n\"header\": {\"magic\": " << JsonString(TagText(header.magic))
          << ", \"poiType\": " << header.poiType
          << ", \"version\": " << JsonString(TagText(header.version))
          << ", \"nextId\": " << header.nextId << ", \"name\": " << JsonString(Utf8(header.name))
          << '}';
    m_needComma = true;
  }

  // The index is one flat list: each node names its depth and its parent's place in the list.
  void Node(const SDumpNode& node) override {
    if (m_section != Section::kIndex) Open(Section::kIndex, "index");
    m_out << (m_firstInList ? "" : ",") << "\n  {\"depth\": " << node.depth
          << ", \"parent\": " << node.parent << ", \"leaf\": " << (node.leaf ? "true" : "false")
          << ", \"west\": " << FormatDegrees(node.left)
          << ", \"north\": " << FormatDegrees(node.top)
          << ", \"east\": " << FormatDegrees(node.right)
          << ", \"south\": " << FormatDegrees(node.bottom) << ", \"left\": " << node.left
          << ", \"top\": " << node.top << ", \"right\": " << node.right
          << ", \"bottom\": " << node.bottom;
    if (!node.leaf) m_out << ", \"nodes\": " << node.nodes;
    m_out << ", \"elements\": " << node.elements << '}';
    m_firstInList = false;
  }

  void Element(const CTaviElement& element) override {
    if (m_section != Section::kElements) Open(Section::kElements, "elements");
    const GeoPoint p = element.GetPosition();
    m_out << (m_firstInList ? "" : ",") << "\n  {\"id\": " << element.id
          << ", \"type\": " << static_cast<std::uint32_t>(element.type)
          << ", \"longitude\": " << FormatDegrees(p.x) << ", \"latitude\": " << FormatDegrees(p.y)
          << ", \"x\": " << p.x << ", \"y\": " << p.y;
    for (const auto& [name, text] : ElementTexts(element)) {
      m_out << ", " << JsonString(name) << ": " << JsonString(std::string(text->utf8()));
    }
    m_out << '}';
    m_firstInList = false;
  }

  void Finish() override {
    if (m_section != Section::kNone) m_out << ']';
    m_out << "\n}\n";
    m_out.flush();
  }

 private:
  enum class Section { kNone, kIndex, kElements };

  void Open(Section section, const char* name) {
    if (m_section != Section::kNone) m_out << ']';
    m_out << (m_needComma ? "," : "") << "\n\"" << name << "\": [";
    m_needComma = true;
    m_section = section;
    m_firstInList = true;
  }

  std::ostream& m_out;
  Section m_section = Section::kNone;
  bool m_firstInList = true;
  bool m_needComma = false;
};

}  // namespace

std::unique_ptr<IDumpWriter> MakeTextDumpWriter(std::ostream& out) {
  return std::make_unique<CTextDumpWriter>(out);
}

std::unique_ptr<IDumpWriter> MakeJsonDumpWriter(std::ostream& out) {
  return std::make_unique<CJsonDumpWriter>(out);
}

}  // namespace tavi::cli
