// Runs a fuzz target once on each file named, or on each file of each folder named, in name
// order: the seed corpora replayed where libFuzzer is not linked in.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  std::vector<std::filesystem::path> inputs;
  for (int i = 1; i < argc; ++i) {
    if (!std::filesystem::is_directory(argv[i])) {
      inputs.emplace_back(argv[i]);
      continue;
    }
    for (const std::string& name : tavi::fuzz::FolderEntries(argv[i]))
      inputs.push_back(std::filesystem::path(argv[i]) / name);
  }
  for (const auto& input : inputs) {
    const std::vector<std::uint8_t> bytes = tavi::fuzz::ReadFile(input);
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  std::printf("%zu inputs replayed\n", inputs.size());
  return inputs.empty() ? 1 : 0;
}
