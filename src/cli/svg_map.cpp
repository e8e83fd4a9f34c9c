#include "cli/svg_map.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <vector>

#include "writer/spatial_index.h"

namespace tavi::cli {

namespace {

constexpr double kMargin = 10;
constexpr double kLegendHeight = 64;
constexpr double kMinSpan = 1000;  // 0.01 degree: a single point still gets an area
constexpr double kMaxAspect = 2;   // height at most twice the width
constexpr std::uint64_t kPointsPerPath = 10000;

// Coordinates with one decimal: fine enough for a picture, short enough for a million dots.
std::string Number(double value) {
  char text[32];
  const std::to_chars_result end =
      std::to_chars(text, text + sizeof(text), value, std::chars_format::fixed, 1);
  return std::string(text, end.ptr);
}

std::string Escaped(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

// From a near white at the root to a light blue at the deepest level: light enough that the dots
// stand out on any level.
std::string DepthColour(int depth, int maxDepth) {
  const double t = maxDepth <= 1 ? 1.0 : static_cast<double>(depth - 1) / (maxDepth - 1);
  const auto mix = [t](int from, int to) {
    return static_cast<int>(std::lround(from + (to - from) * t));
  };
  char colour[8];
  std::snprintf(colour, sizeof(colour), "#%02x%02x%02x", mix(0xf4, 0xa4), mix(0xf7, 0xbd),
                mix(0xfc, 0xe2));
  return colour;
}

struct SIndexFigures {
  std::uint64_t nodes = 0;
  std::uint64_t leaves = 0;
  int depth = 0;
};

// The equirectangular view: degrees of longitude and latitude alike, north up. Longitudes west
// of the root's west edge lie beyond the antimeridian and are drawn a turn further east.
class CView {
 public:
  CView(const BoundingRect& root, int width) : m_left(root.left), m_top(root.top) {
    const double spanX = std::max(static_cast<double>(root.right) - root.left, kMinSpan);
    const double spanY = std::max(static_cast<double>(root.top) - root.bottom, kMinSpan);
    m_scale = width / spanX;
    if (spanY * m_scale > kMaxAspect * width) m_scale = kMaxAspect * width / spanY;
    m_width = spanX * m_scale;
    m_height = spanY * m_scale;
  }

  double X(std::int32_t x) const {
    const double wrapped = x < m_left ? static_cast<double>(x) + kFullCircle : x;
    return kMargin + (wrapped - m_left) * m_scale;
  }
  double Y(std::int32_t y) const { return kMargin + (m_top - y) * m_scale; }
  double Length(std::int32_t from, std::int32_t to) const {
    return (static_cast<double>(to) - from) * m_scale;
  }
  double Width() const { return m_width; }
  double Height() const { return m_height; }

 private:
  double m_left;
  double m_top;
  double m_scale = 1;
  double m_width = 0;
  double m_height = 0;
};

BoundingRect RootRectangle(const SRectNodeList* root) {
  BoundingRect bounds;
  if (root == nullptr) return bounds;
  for (std::size_t i = 0; i < root->count; ++i) {
    const SRectNode& node = *root->nodes[i];
    const bool first = i == 0;
    bounds.left = first ? node.left : std::min(bounds.left, node.left);
    bounds.top = first ? node.top : std::max(bounds.top, node.top);
    bounds.right = first ? node.right : std::max(bounds.right, node.right);
    bounds.bottom = first ? node.bottom : std::min(bounds.bottom, node.bottom);
  }
  return bounds;
}

void WriteRectangles(const CTaviContents& contents, const CView& view, const SIndexFigures& index,
                     std::uint64_t limit, std::ostream& out) {
  std::uint64_t drawn = 0;
  contents.VisitNodes([&](const SRectNode& node, int depth) {
    if (drawn++ >= limit) return;
    const bool leaf = (node.link & kLeafFlag) != 0;
    const double width = view.Length(node.left, node.right);
    const double height = view.Length(node.bottom, node.top);
    out << "<rect class=\"" << (leaf ? "leaf" : "node") << "\" x=\"" << Number(view.X(node.left))
        << "\" y=\"" << Number(view.Y(node.top)) << "\" width=\"" << Number(width) << "\" height=\""
        << Number(height) << "\" fill=\"" << DepthColour(depth, index.depth) << "\"/>\n";
  });
}

// At most limit elements, spread evenly over the index order.
std::uint64_t WritePoints(CTaviContents& contents, const CView& view, std::uint64_t limit,
                          std::ostream& out) {
  const std::uint64_t total = contents.ElementCount();
  const std::uint64_t shown = std::min(total, limit);
  std::uint64_t drawn = 0;
  contents.VisitElements(
      [total, shown](std::uint64_t n) { return (n + 1) * shown / total != n * shown / total; },
      [&](CTaviElement& element) {
        const GeoPoint position = element.GetPosition();
        if (position == kNoPosition) return;
        if (drawn % kPointsPerPath == 0)
          out << (drawn == 0 ? "" : "\"/>\n") << "<path class=\"poi\" d=\"";
        out << 'M' << Number(view.X(position.x)) << ' ' << Number(view.Y(position.y)) << "h0";
        ++drawn;
      });
  if (drawn > 0) out << "\"/>\n";
  return drawn;
}

// What the limits left out of the picture; empty when nothing.
std::string LimitsNote(std::uint64_t total, std::uint64_t drawn, std::uint64_t nodes,
                       const SMapLimits& limits) {
  std::string note;
  if (total > limits.points) {
    note = std::to_string(drawn) + " of " + std::to_string(total) + " POIs drawn (an even sample)";
  }
  if (nodes > limits.rectangles) {
    if (!note.empty()) note += "; ";
    note += "the first " + std::to_string(limits.rectangles) + " of " + std::to_string(nodes) +
            " rectangles drawn";
  }
  return note;
}

}  // namespace

void WriteSvgMap(CTaviContents& contents, const std::string& title, int width, std::ostream& out,
                 const SMapLimits& limits) {
  SIndexFigures index;
  contents.VisitNodes([&index](const SRectNode& node, int depth) {
    ++index.nodes;
    if ((node.link & kLeafFlag) != 0) ++index.leaves;
    index.depth = std::max(index.depth, depth);
  });
  const CView view(RootRectangle(contents.Root()), width);
  const double svgWidth = view.Width() + 2 * kMargin;
  const double svgHeight = view.Height() + 2 * kMargin + kLegendHeight;
  const std::uint64_t total = contents.ElementCount();
  // Dots and outlines thin out as they crowd, so that a dense file still shows its structure.
  const std::uint64_t shown = std::min(total, limits.points);
  const double dot = shown <= 1000 ? 4 : shown <= 20000 ? 2 : 1.2;
  const double outline = index.leaves <= 2000 ? 0.5 : index.leaves <= 20000 ? 0.25 : 0.12;

  out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << Number(svgWidth) << "\" height=\""
      << Number(svgHeight) << "\" viewBox=\"0 0 " << Number(svgWidth) << ' ' << Number(svgHeight)
      << "\">\n<style>.leaf{stroke:#2c4a80;stroke-width:" << outline
      << "}.poi{fill:none;stroke:#c8102e;stroke-opacity:0.85;stroke-linecap:round;stroke-width:"
      << dot << "}text{font:13px sans-serif;fill:#222}</style>\n"
      << "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
  WriteRectangles(contents, view, index, limits.rectangles, out);
  const std::uint64_t drawn = WritePoints(contents, view, limits.points, out);

  const double legendTop = view.Height() + 2 * kMargin;
  out << "<text x=\"" << kMargin << "\" y=\"" << Number(legendTop + 16) << "\">" << Escaped(title)
      << "</text>\n<text x=\"" << kMargin << "\" y=\"" << Number(legendTop + 34) << "\">"
      << "POIs: " << total << ", index depth: " << index.depth << ", leaves: " << index.leaves
      << "</text>\n";
  const std::string note = LimitsNote(total, drawn, index.nodes, limits);
  if (!note.empty()) {
    out << "<text x=\"" << kMargin << "\" y=\"" << Number(legendTop + 52) << "\">" << note
        << "</text>\n";
  }
  out << "</svg>\n";
}

}  // namespace tavi::cli
