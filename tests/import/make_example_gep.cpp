// Writes examples/alpine-passes.gep, from the source folder:
//   cmake --build <build> --target make_example_gep
//   <build>/tests/import/make_example_gep examples/alpine-passes.gep
#include <cstdio>
#include <fstream>

#include "gep_builder.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_example_gep <output.gep>\n");
    return 2;
  }
  const tavi::test::Bytes bytes = tavi::test::BuildExampleGep();
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  for (const std::uint8_t byte : bytes) out.put(static_cast<char>(byte));
  return out.good() ? 0 : 1;
}
