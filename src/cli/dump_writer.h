#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

#include "model/tavi_element.h"
#include "writer/tavi_header.h"

namespace tavi::cli {

// One rectangle of a file's index as the dump shows it.
struct SDumpNode {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  bool leaf = false;
  std::uint32_t nodes = 0;     // in the child list of an internal node
  std::uint64_t elements = 0;  // in a leaf, or in all leaves below an internal node
};

// Receives what a dump reads, in file order: the header, the index tree depth first (every
// BeginNode has its EndNode, children in between), then the elements leaf by leaf. Finish closes
// the output, also after a dump that stopped early.
class IDumpWriter {
 public:
  virtual ~IDumpWriter() = default;
  virtual void Header(const STaviHeader& header) = 0;
  virtual void BeginNode(const SDumpNode& node) = 0;
  virtual void EndNode() = 0;
  virtual void Element(const CTaviElement& element) = 0;
  virtual void Finish() = 0;
};

std::unique_ptr<IDumpWriter> MakeTextDumpWriter(std::ostream& out);
std::unique_ptr<IDumpWriter> MakeJsonDumpWriter(std::ostream& out);

}  // namespace tavi::cli
