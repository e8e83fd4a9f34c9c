// Reading a ".tavi" file as `tavi dump` does, in both forms: header, the whole index, every
// element. However damaged the file, the dump ends, reports damage exactly when it fails, and
// prints no more than a bounded multiple of the file.
#include <sstream>

#include "cli/dump_command.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace fz = tavi::fuzz;
  const auto input = fz::ScratchFolder() / "input.tavi";
  fz::WriteFile(input, data, size);
  int codes[2] = {};
  for (const bool json : {false, true}) {
    std::ostringstream out, err;
    const int code = tavi::cli::RunDump({input.string(), json}, out, err);
    fz::Check(code == 0 ? err.str().empty() : !err.str().empty(), "a failed dump says why");
    fz::Check(out.str().size() <= 64 * size + 4096, "the output grows with the file alone");
    fz::Check(!json || out.str().empty() || out.str().ends_with("\n}\n"), "the JSON is closed");
    codes[json] = code;
  }
  fz::Check(codes[0] == codes[1], "both forms find the same damage");
  std::filesystem::remove(input);
  return 0;
}
