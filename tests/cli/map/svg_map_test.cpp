#include "cli/svg_map.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "app/output_step.h"
#include "import/import_test_support.h"
#include "platform/path.h"
#include "support/test_support.h"

namespace tavi::cli {
namespace {

struct SPicture {
  std::string svg;
  std::vector<std::string> leaves;  // the place and size of each leaf rectangle
  std::size_t nodes = 0;            // internal rectangles
  std::vector<std::pair<double, double>> dots;
};

// Writes the positions as a .tavi file through the output step and pictures it.
SPicture Picture(const std::vector<GeoPoint>& positions, const BoundingRect& bounds, int width,
                 const SMapLimits& limits = {}) {
  test::TempFolder folder;
  {
    test::CRecordingWindow window;
    ElementArray elements;
    for (const GeoPoint& position : positions) {
      elements.push_back(std::make_unique<CTaviElement>());
      elements.back()->SetName(u"p");
      elements.back()->SetPosition(position);
    }
    SaveTaviFile(bounds, FromNativePath(folder.Path()), std::move(elements), u"f");
  }
  CTaviContents contents;
  EXPECT_EQ(contents.Open(folder.File("f.tavi")), CTaviContents::EOpenResult::kOpened);
  std::ostringstream out;
  WriteSvgMap(contents, "f.tavi", width, out, limits);
  SPicture picture{out.str(), {}, 0, {}};
  const std::regex rect(R"re(<rect class="(leaf|node)" ([^/]*) fill=)re");
  for (std::sregex_iterator m(picture.svg.begin(), picture.svg.end(), rect), end; m != end; ++m) {
    if ((*m)[1] == "leaf") picture.leaves.push_back((*m)[2]);
    picture.nodes += (*m)[1] == "node";
  }
  const std::regex dot(R"(M([-0-9.]+) ([-0-9.]+)h0)");
  for (std::sregex_iterator m(picture.svg.begin(), picture.svg.end(), dot), end; m != end; ++m) {
    picture.dots.emplace_back(std::stod((*m)[1]), std::stod((*m)[2]));
  }
  return picture;
}

// 10 by 5 degrees drawn 200 pixels wide: 0.0002 pixels per unit, 100 pixels high, 10 of margin.
TEST(SvgMap, OneLeafIsFittedToTheView) {
  const SPicture picture = Picture({{0, 0}, {1000000, 500000}}, {0, 500000, 1000000, 0}, 200);
  EXPECT_NE(
      picture.svg.find(R"(<svg xmlns="http://www.w3.org/2000/svg" width="220.0" height="184.0")"),
      std::string::npos);
  EXPECT_EQ(picture.leaves,
            std::vector<std::string>{R"(x="10.0" y="10.0" width="200.0" height="100.0")"});
  EXPECT_EQ(picture.nodes, 0u);
  EXPECT_EQ(picture.dots, (std::vector<std::pair<double, double>>{{10, 110}, {210, 10}}));
  EXPECT_NE(picture.svg.find(">f.tavi</text>"), std::string::npos);
  EXPECT_NE(picture.svg.find(">POIs: 2, index depth: 1, leaves: 1</text>"), std::string::npos);
}

// A grid of 20 by 20 points, half a degree apart, splits the index over two levels; the limits keep
// the picture small and the legend says what they left out.
TEST(SvgMap, LimitsThinTheDotsAndTheRectangles) {
  std::vector<GeoPoint> grid;
  for (std::int32_t i = 0; i < 400; ++i) grid.push_back({i % 20 * 50000, i / 20 * 50000});
  const BoundingRect bounds{0, 950000, 950000, 0};
  const SPicture whole = Picture(grid, bounds, 95);
  EXPECT_EQ(whole.dots.size(), 400u);
  for (const auto& [x, y] : whole.dots) {
    EXPECT_TRUE(x >= 10 && x <= 105 && y >= 10 && y <= 105) << x << " " << y;
  }
  const std::string legend = "leaves: " + std::to_string(whole.leaves.size()) + "</text>";
  EXPECT_NE(whole.svg.find(legend), std::string::npos);
  EXPECT_GT(whole.nodes, 0u);

  const SPicture thin = Picture(grid, bounds, 95, {10, 3});
  EXPECT_EQ(thin.dots.size(), 10u);
  EXPECT_EQ(thin.leaves.size() + thin.nodes, 3u);
  EXPECT_NE(thin.svg.find(">10 of 400 POIs drawn (an even sample); the first 3 of " +
                          std::to_string(whole.leaves.size() + whole.nodes) + " rectangles drawn<"),
            std::string::npos);
}

}  // namespace
}  // namespace tavi::cli
