#pragma once

#include <ostream>
#include <string>

namespace tavi::cli {

struct SDumpOptions {
  std::string path;
  bool json = false;
};

// Prints the header, the index tree and every element of a ".tavi" file. A damaged file prints
// what could be read, then the damage on err; the result is then 1, otherwise 0.
int RunDump(const SDumpOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tavi::cli
