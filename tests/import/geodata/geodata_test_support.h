#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "import/geodata/element_texts.h"
#include "import/geodata/geodata_importer.h"
#include "import/import_test_support.h"
#include "platform/code_page.h"
#include "platform/path.h"

namespace tavi::test {

// "name x y | text=value ..." with every text that is not empty, in the order of kElementTexts.
inline std::string Describe(CTaviElement& element) {
  std::string text = WideToUtf8(element.GetName()) + " " + std::to_string(element.GetPosition().x) +
                     " " + std::to_string(element.GetPosition().y);
  for (std::size_t i = 1; i < kElementTextCount; ++i) {
    const CCompactString* field = kElementTexts[i].field(element, false);
    if (field != nullptr && !field->empty()) {
      text += std::string(" | ") + kElementTexts[i].names[0] + "=" + std::string(field->utf8());
    }
  }
  return text;
}

struct SGeodataImport {
  std::int32_t result = 0;
  std::vector<std::string> elements;  // described
  std::vector<std::string> badData;   // the parentheses of each "Bad data" line
  std::string lastLine;
  std::uint64_t leftOut = 0;
};

inline SGeodataImport ImportGeodata(const std::filesystem::path& path) {
  CRecordingWindow window;
  SavedTaviFile saved;
  SGeodataCounts counts;
  SGeodataImport imported;
  const WString wide = FromNativePath(path);
  imported.result = ImportGdalFile(wide, RecordInto(saved), counts);
  for (const auto& element : saved.elements) imported.elements.push_back(Describe(*element));
  const WString bad = u"Bad data - " + wide + u" (";
  for (const WString& line : window.lines) {
    if (!line.starts_with(bad)) continue;
    imported.badData.push_back(WideToUtf8(line.substr(bad.size(), line.size() - bad.size() - 1)));
  }
  imported.leftOut = counts.featuresLeftOut;
  imported.lastLine = window.lines.empty() ? "" : WideToUtf8(window.lines.back());
  return imported;
}

}  // namespace tavi::test
