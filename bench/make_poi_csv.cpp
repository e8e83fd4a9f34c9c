// Writes a seeded file of POIs, for measuring conversions.
//   make_poi_csv COUNT SEED OUTPUT [--unicsv] [--accents] [--layout L] [--order O] [--bad]
// Default lines: longitude;latitude;name;street;phone, POIs spread over Europe in random order.
// --unicsv    a header line "lon,lat,name,desc" and comma-separated lines with street and phone
//             joined in desc, the form general-purpose GPS converters read
// --accents   names and streets in their local spellings (UTF-8), for the same POIs
// --layout    spread (default), spot (all on one position), parallel (along latitude 48.2),
//             meridian (along longitude 16.37)
// --order     random (default), lon or lat: sorted by longitude or latitude
// --bad       a bad line after every POI, with the reasons taking turns
// The same COUNT, SEED and layout give the same POIs whatever the other options are.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

// splitmix64: small, fast and the same on every platform, unlike the standard distributions.
class Random {
 public:
  explicit Random(std::uint64_t seed) : m_state(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  std::uint64_t Below(std::uint64_t bound) { return Next() % bound; }

 private:
  std::uint64_t m_state;
};

// Europe from Lisbon to the Urals' foot, from Crete to the North Cape, in 1e-5 degrees.
constexpr std::int64_t kWest = -1000000;
constexpr std::int64_t kEast = 4000000;
constexpr std::int64_t kSouth = 3500000;
constexpr std::int64_t kNorth = 7100000;
// The spot, parallel and meridian layouts meet in Vienna.
constexpr std::int64_t kSpotX = 1637000;
constexpr std::int64_t kSpotY = 4820000;

constexpr std::string_view kKinds[] = {"Cafe",   "Bakery", "Pharmacy", "Museum", "Hotel",
                                       "Garage", "Market", "Library",  "Chapel", "Kiosk"};
constexpr std::string_view kLocalKinds[] = {"Café",    "Bäckerei", "Pharmacie", "Múzeum",
                                            "Hôtel",   "Garáž",    "Mercado",   "Bibliothèque",
                                            "Kaplica", "Kiosk"};
constexpr std::string_view kStreets[] = {"Main Street", "Hauptstrasse", "Rue de la Paix",
                                         "Via Roma",    "Calle Mayor",  "Kungsgatan",
                                         "Ulica Dluga", "Station Road"};
constexpr std::string_view kLocalStreets[] = {"Main Street", "Hauptstraße", "Rue de la Paix",
                                              "Via Roma",    "Calle Mayor", "Kungsgatan",
                                              "Ulica Długa", "Station Road"};
constexpr std::string_view kBadLines[] = {"16.3;95;typo north of the pole", "16.3abc;48.2;typo",
                                          "16.3;48.2", "16.3;48.2;;no name"};

enum class Layout { kSpread, kSpot, kParallel, kMeridian };
enum class Order { kRandom, kLongitude, kLatitude };

struct SOptions {
  bool unicsv = false;
  bool accents = false;
  bool bad = false;
  Layout layout = Layout::kSpread;
  Order order = Order::kRandom;
};

struct SPoi {
  std::int64_t x = 0;
  std::int64_t y = 0;
  std::uint64_t index = 0;
  std::size_t kind = 0;
  std::size_t street = 0;
  std::uint64_t number = 0;
  std::uint64_t phone = 0;
};

// Every layout draws the same numbers, so the texts do not depend on it.
SPoi MakePoi(Random& random, std::uint64_t index, Layout layout) {
  SPoi poi;
  poi.index = index;
  poi.x = kWest + static_cast<std::int64_t>(random.Below(kEast - kWest + 1));
  poi.y = kSouth + static_cast<std::int64_t>(random.Below(kNorth - kSouth + 1));
  if (layout == Layout::kSpot || layout == Layout::kMeridian) poi.x = kSpotX;
  if (layout == Layout::kSpot || layout == Layout::kParallel) poi.y = kSpotY;
  poi.kind = random.Below(std::size(kKinds));
  poi.street = random.Below(std::size(kStreets));
  poi.number = 1 + random.Below(200);
  poi.phone = 1000000 + random.Below(9000000);
  return poi;
}

void AppendDegrees(std::string& out, std::int64_t value) {
  if (value < 0) {
    out += '-';
    value = -value;
  }
  char fraction[8];
  std::snprintf(fraction, sizeof fraction, "%05lld", static_cast<long long>(value % 100000));
  out += std::to_string(value / 100000);
  out += '.';
  out += fraction;
}

void AppendPoi(std::string& out, const SPoi& poi, const SOptions& options) {
  const char separator = options.unicsv ? ',' : ';';
  AppendDegrees(out, poi.x);
  out += separator;
  AppendDegrees(out, poi.y);
  out += separator;
  out += options.accents ? kLocalKinds[poi.kind] : kKinds[poi.kind];
  out += ' ';
  out += std::to_string(poi.index + 1);
  out += separator;
  out += options.accents ? kLocalStreets[poi.street] : kStreets[poi.street];
  out += ' ';
  out += std::to_string(poi.number);
  out += options.unicsv ? ' ' : ';';
  out += "+49 30 ";
  out += std::to_string(poi.phone);
  out += '\n';
  if (options.bad) {
    out += kBadLines[poi.index % std::size(kBadLines)];
    out += '\n';
  }
}

constexpr std::size_t kChunkSize = 1 << 20;

bool Flush(std::string& chunk, std::FILE* file) {
  const bool written = std::fwrite(chunk.data(), 1, chunk.size(), file) == chunk.size();
  chunk.clear();
  return written;
}

int Usage() {
  std::fputs(
      "usage: make_poi_csv COUNT SEED OUTPUT [--unicsv] [--accents] "
      "[--layout spread|spot|parallel|meridian] [--order random|lon|lat] [--bad]\n",
      stderr);
  return 2;
}

bool ParseOptions(int argc, char** argv, SOptions& options) {
  for (int i = 4; i < argc; ++i) {
    const std::string_view option = argv[i];
    const std::string_view value = i + 1 < argc ? argv[i + 1] : "";
    if (option == "--unicsv") {
      options.unicsv = true;
    } else if (option == "--accents") {
      options.accents = true;
    } else if (option == "--bad") {
      options.bad = true;
    } else if (option == "--layout" && (value == "spread" || value == "spot" ||
                                        value == "parallel" || value == "meridian")) {
      options.layout = value == "spread"     ? Layout::kSpread
                       : value == "spot"     ? Layout::kSpot
                       : value == "parallel" ? Layout::kParallel
                                             : Layout::kMeridian;
      ++i;
    } else if (option == "--order" && (value == "random" || value == "lon" || value == "lat")) {
      options.order = value == "random" ? Order::kRandom
                      : value == "lon"  ? Order::kLongitude
                                        : Order::kLatitude;
      ++i;
    } else {
      return false;
    }
  }
  return true;
}

void Sort(std::vector<SPoi>& pois, Order order) {
  if (order == Order::kRandom) return;
  std::stable_sort(pois.begin(), pois.end(), [order](const SPoi& a, const SPoi& b) {
    return order == Order::kLongitude ? a.x < b.x : a.y < b.y;
  });
}

}  // namespace

int main(int argc, char** argv) {
  SOptions options;
  if (argc < 4 || !ParseOptions(argc, argv, options)) return Usage();
  const std::uint64_t count = std::strtoull(argv[1], nullptr, 10);
  Random random(std::strtoull(argv[2], nullptr, 10));
  std::vector<SPoi> pois;
  pois.reserve(count);
  for (std::uint64_t i = 0; i < count; ++i) pois.push_back(MakePoi(random, i, options.layout));
  Sort(pois, options.order);
  std::FILE* file = std::fopen(argv[3], "wb");
  if (file == nullptr) {
    std::perror(argv[3]);
    return 1;
  }
  std::string chunk = options.unicsv ? "lon,lat,name,desc\n" : "";
  bool written = true;
  for (const SPoi& poi : pois) {
    AppendPoi(chunk, poi, options);
    if (chunk.size() >= kChunkSize) written = written && Flush(chunk, file);
  }
  written = written && Flush(chunk, file);
  if (std::fclose(file) != 0 || !written) {
    std::perror(argv[3]);
    return 1;
  }
  return 0;
}
