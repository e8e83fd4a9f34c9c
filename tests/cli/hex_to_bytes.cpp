// Writes the bytes of an annotated hex dump to a file: the command-line cases keep their binary
// inputs in that readable form.
#include "support/test_support.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  tavi::test::WriteBytes(argv[2], tavi::test::ReadHexFile(argv[1]));
  return 0;
}
