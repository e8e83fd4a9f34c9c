// Writes a seeded file of POIs spread over Europe, for measuring conversions.
//   make_poi_csv COUNT SEED OUTPUT [--unicsv]
// Default lines: longitude;latitude;name;street;phone. With --unicsv: a header line
// "lon,lat,name,desc" and comma-separated lines with street and phone joined in desc, the form
// general-purpose GPS converters read. The same COUNT and SEED give the same POIs in both forms.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

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

constexpr std::string_view kKinds[] = {"Cafe",   "Bakery", "Pharmacy", "Museum", "Hotel",
                                       "Garage", "Market", "Library",  "Chapel", "Kiosk"};
constexpr std::string_view kStreets[] = {"Main Street", "Hauptstrasse", "Rue de la Paix",
                                         "Via Roma",    "Calle Mayor",  "Kungsgatan",
                                         "Ulica Dluga", "Station Road"};

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

void AppendPoi(std::string& out, Random& random, std::uint64_t index, bool unicsv) {
  const char separator = unicsv ? ',' : ';';
  AppendDegrees(out, kWest + static_cast<std::int64_t>(random.Below(kEast - kWest + 1)));
  out += separator;
  AppendDegrees(out, kSouth + static_cast<std::int64_t>(random.Below(kNorth - kSouth + 1)));
  out += separator;
  out += kKinds[random.Below(std::size(kKinds))];
  out += ' ';
  out += std::to_string(index + 1);
  out += separator;
  out += kStreets[random.Below(std::size(kStreets))];
  out += ' ';
  out += std::to_string(1 + random.Below(200));
  out += unicsv ? ' ' : ';';
  out += "+49 30 ";
  out += std::to_string(1000000 + random.Below(9000000));
  out += '\n';
}

constexpr std::size_t kChunkSize = 1 << 20;

bool Flush(std::string& chunk, std::FILE* file) {
  const bool written = std::fwrite(chunk.data(), 1, chunk.size(), file) == chunk.size();
  chunk.clear();
  return written;
}

int Usage() {
  std::fputs("usage: make_poi_csv COUNT SEED OUTPUT [--unicsv]\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) return Usage();
  const bool unicsv = argc == 5 && std::string_view(argv[4]) == "--unicsv";
  if (argc == 5 && !unicsv) return Usage();
  const std::uint64_t count = std::strtoull(argv[1], nullptr, 10);
  Random random(std::strtoull(argv[2], nullptr, 10));
  std::FILE* file = std::fopen(argv[3], "wb");
  if (file == nullptr) {
    std::perror(argv[3]);
    return 1;
  }
  std::string chunk = unicsv ? "lon,lat,name,desc\n" : "";
  bool written = true;
  for (std::uint64_t i = 0; i < count && written; ++i) {
    AppendPoi(chunk, random, i, unicsv);
    if (chunk.size() >= kChunkSize) written = Flush(chunk, file);
  }
  written = written && Flush(chunk, file);
  if (std::fclose(file) != 0 || !written) {
    std::perror(argv[3]);
    return 1;
  }
  return 0;
}
