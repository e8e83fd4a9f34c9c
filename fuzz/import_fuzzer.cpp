// An importer end to end: the bytes become an input file (TAVI_FUZZ_INPUT, whose ending picks the
// importer) that is converted as the program converts it; the output must hold exactly the POIs
// reported, and nothing may be left behind.
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace fz = tavi::fuzz;
  const auto input = fz::ScratchFolder() / TAVI_FUZZ_INPUT;
  fz::WriteFile(input, data, size);
  fz::CheckOutputs(fz::ConvertFiles({input}));
  std::filesystem::remove(input);
  std::filesystem::remove(fz::ScratchFolder() / "input.tavi");
  fz::Check(fz::FolderEntries(fz::ScratchFolder()).empty(), "no file is left behind");
  return 0;
}
