// Adding POIs to an existing, possibly damaged ".tavi" file: it is read back as far as it goes
// and rewritten whole with the new POIs, or left as it was.
#include <memory>

#include "fuzz/fuzz_support.h"
#include "platform/path.h"
#include "writer/tavi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace fz = tavi::fuzz;
  const auto input = fz::ScratchFolder() / "input.tavi";
  fz::WriteFile(input, data, size);
  bool whole = false;
  const std::int64_t before = fz::CountElements(input, whole);
  tavi::CCustomTaviFile file;
  if (file.Open(tavi::FromNativePath(input), false)) {
    // One POI in the middle of each node of the root list, where the index has room for it.
    tavi::ElementArray elements;
    for (std::size_t i = 0; file.GetRoot() != nullptr && i < file.GetRoot()->count; ++i) {
      const tavi::BoundingRect& rect = file.GetRoot()->bounds[i];
      elements.push_back(std::make_unique<tavi::CTaviElement>());
      elements.back()->SetName(u"added");
      elements.back()->SetPosition(
          {static_cast<std::int32_t>((std::int64_t{rect.left} + rect.right) / 2),
           static_cast<std::int32_t>((std::int64_t{rect.top} + rect.bottom) / 2)});
    }
    if (file.AddElementsAndSave(std::move(elements)) != 0) {
      fz::Check(fz::CountElements(input, whole) == before + file.GetStoredCount(),
                "the rewritten file holds what was read and what was added");
      fz::Check(whole, "a rewritten file is whole");
    } else {
      fz::Check(fz::ReadFile(input) == std::vector<std::uint8_t>(data, data + size),
                "a file that is not rewritten stays as it was");
    }
  }
  std::filesystem::remove(input);
  fz::Check(fz::FolderEntries(fz::ScratchFolder()).empty(), "no file is left behind");
  return 0;
}
