#include "app/run_summary.h"

#include <cstdint>

namespace tavi {

namespace {

std::string Count(std::int64_t count, const char* one, const char* many) {
  return std::to_string(count) + ' ' + (count == 1 ? one : many);
}

}  // namespace

std::string DescribeRun(const std::vector<SFileResult>& results) {
  std::int64_t converted = 0;
  std::int64_t failed = 0;
  SFileResult total;
  for (const SFileResult& result : results) {
    if (result.Converted()) ++converted;
    if (result.failed) ++failed;
    total.poisWritten += result.poisWritten;
    total.linesLeftOut += result.linesLeftOut;
    total.recordsLeftOut += result.recordsLeftOut;
    total.poisLeftOut += result.poisLeftOut;
  }
  std::string text = Count(converted, "file", "files") + " converted, " + std::to_string(failed) +
                     " failed; " + Count(total.poisWritten, "POI", "POIs") + " written; " +
                     Count(total.linesLeftOut, "line", "lines") + " left out";
  if (total.recordsLeftOut != 0) {
    text += "; " + Count(total.recordsLeftOut, "record", "records") + " left out";
  }
  if (total.poisLeftOut != 0) {
    text += "; " + Count(total.poisLeftOut, "POI", "POIs") + " outside the index";
  }
  return text;
}

}  // namespace tavi
