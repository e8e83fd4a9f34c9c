// Inserting and saving large element sets; run each case alone (--benchmark_filter) to read its
// own peak memory, since the process's peak only grows.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "platform/path.h"
#include "writer/tavi_file.h"

namespace tavi {
namespace {

constexpr BoundingRect kBounds{-18000000, 9000000, 18000000, -9000000};

std::unique_ptr<CTaviElement> MakeElement(GeoPoint position) {
  auto element = std::make_unique<CTaviElement>();
  element->SetName(u"Point of interest");
  element->SetPosition(position);
  return element;
}

// A fixed linear congruential sequence, so that every run stores the same tree.
GeoPoint Spread(std::uint64_t i) {
  const std::uint64_t a = i * 6364136223846793005ull + 1442695040888963407ull;
  const std::uint64_t b = a * 6364136223846793005ull + 1442695040888963407ull;
  return {static_cast<std::int32_t>((a >> 33) % 36000000) - 18000000,
          static_cast<std::int32_t>((b >> 33) % 18000000) - 9000000};
}

double PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void InsertAndSave(benchmark::State& state,
                   const std::function<GeoPoint(std::uint64_t)>& position) {
  const auto count = static_cast<std::uint64_t>(state.range(0));
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("tavi-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const WString path = FromNativePath(folder / "bench.tavi");
  for (auto _ : state) {
    state.PauseTiming();
    ElementArray elements;
    elements.reserve(count);
    for (std::uint64_t i = 0; i < count; ++i) elements.push_back(MakeElement(position(i)));
    CCustomTaviFile file;
    state.ResumeTiming();
    file.Create(path, kBounds);
    benchmark::DoNotOptimize(file.AddElementsAndSave(std::move(elements)));
  }
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(folder / "bench.tavi"));
  state.counters["peak_rss_MB"] = PeakMegabytes();
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(count));
  std::filesystem::remove_all(folder);
}

void BM_Spread(benchmark::State& state) {
  InsertAndSave(state, Spread);
}
void BM_OnePosition(benchmark::State& state) {
  InsertAndSave(state, [](std::uint64_t) { return GeoPoint{1234567, 4567890}; });
}
// Latitudes in a scattered order, as files list their points.
void BM_OneMeridian(benchmark::State& state) {
  InsertAndSave(state, [](std::uint64_t i) { return GeoPoint{1234567, Spread(i).y}; });
}
// Latitudes in rising order: every insertion lands in the newest leaf, so each level of the tree
// fills up and the tree grows one level per few splits; finding a leaf walks all of them.
void BM_OneMeridianSorted(benchmark::State& state) {
  InsertAndSave(state, [](std::uint64_t i) {
    return GeoPoint{1234567, static_cast<std::int32_t>(i * 90 % 18000000) - 9000000};
  });
}

BENCHMARK(BM_Spread)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OnePosition)->Arg(200000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OneMeridian)->Arg(200000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OneMeridianSorted)->Arg(200000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tavi

BENCHMARK_MAIN();
