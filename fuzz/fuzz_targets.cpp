// The fuzz targets: this file built once per target, TAVI_FUZZ_TARGET naming its function. The
// bytes become a file in a folder of the process's own, and the program works on it as it works
// on a user's file. Beyond running to its end without a sanitizer's report, each target checks
// the promises the program makes about that file. Without libFuzzer, main() replays the files of
// the folders it is given (the seed corpora, as tests).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/conversion_worker.h"
#include "cli/dump_command.h"
#include "platform/code_page.h"
#include "platform/convertor_messages.h"
#include "platform/file.h"
#include "platform/message_target.h"
#include "platform/path.h"
#include "writer/tavi_file.h"
#ifdef TAVI_WITH_GDAL
#include "app/geodata_slot.h"
#include "import/geodata/geodata_importer.h"
#endif

namespace tavi::fuzz {
namespace {

namespace fs = std::filesystem;

// Ends the process with the rule that was broken: libFuzzer reports it as a crash.
void Check(bool holds, const char* rule) {
  if (holds) return;
  std::fprintf(stderr, "check failed: %s\n", rule);
  std::abort();
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes the input as the file name in the folder. A sync costs milliseconds and shows nothing
// here, and a small buffer makes every file cross its buffer's end many times.
fs::path WriteInput(const char* name, std::string_view bytes) {
  static const fs::path folder = [] {
    g_fileSystemCalls.fsync = [](int) { return 0; };
    g_fileSystemCalls.bufferBytes = 512;
    std::string path = (fs::temp_directory_path() / "tavi-fuzz-XXXXXX").string();
    Check(::mkdtemp(path.data()) != nullptr, "a scratch folder can be made");
    return fs::path(path);
  }();
  std::ofstream(folder / name, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return folder / name;
}

void RemoveAll(const fs::path& input) {
  fs::remove(input);
  fs::remove(fs::path(input).replace_extension(".tavi"));
  Check(fs::is_empty(input.parent_path()), "no file is left behind");
}

// The elements `tavi dump` lists; whole tells whether it found no damage.
std::size_t DumpedElements(const fs::path& file, bool& whole) {
  std::ostringstream out, err;
  whole = cli::RunDump({file.string(), false}, out, err) == 0;
  std::size_t count = 0;
  for (std::size_t at = 0; (at = out.str().find("\n  element ", at)) != std::string::npos; ++at)
    ++count;
  return count;
}

// Stands in for the window: takes every log line as it is posted.
struct CLog : IMessageTarget {
  void Post(std::uint32_t, std::uintptr_t, std::intptr_t) override {
    WString line;
    if (TakeLogLine(line)) text += WideToUtf8(line) + '\n';
  }
  std::string text;
};

// An importer end to end, as the worker converts a file but on this thread, so that a seeded run
// is repeatable: the output holds, whole, exactly the POIs its success line reports.
void Import(const char* name, std::string_view bytes) {
  const fs::path input = WriteInput(name, bytes);
  CLog log;
  g_hMainWnd.store(&log);
  COutputStep step;
  SFileResult result;
  ConvertFile(FromNativePath(input), step, result);
  g_hMainWnd.store(nullptr);
  const std::string output = WideToUtf8(result.output);
  const std::string success =
      "\nSuccessfully imported " + std::to_string(result.poisWritten) + " pois - " + output + "\n";
  Check((log.text.find(success) != std::string::npos) == !output.empty(),
        "an output has its success line");
  if (!output.empty()) {
    bool whole = false;
    Check(DumpedElements(output, whole) == static_cast<std::size_t>(result.poisWritten),
          "the output holds the POIs reported");
    Check(whole, "an output reads back whole");
  }
  RemoveAll(input);
}

}  // namespace

// The targets; the build names one of them.
void ImportText(std::string_view bytes) {
  Import("input.csv", bytes);
}

void ImportGep(std::string_view bytes) {
  Import("input.gep", bytes);
}

#ifdef TAVI_WITH_GDAL
// Only our reader is instrumented: GDAL's own parsing is not, and is not what is tested here.
void ImportGeodata(std::string_view bytes) {
  static const bool installed = (SetGeodataImporter(ImportGdalFile), true);
  Check(installed, "the geodata importer is installed");
  Import("input.geojson", bytes);
}
#endif

// `tavi dump` in both forms: it ends, reports damage exactly when it fails, finds the same
// damage in both, closes its JSON, and prints no more than a bounded multiple of the file.
void Dump(std::string_view bytes) {
  const fs::path input = WriteInput("input.tavi", bytes);
  int codes[2] = {};
  for (const bool json : {false, true}) {
    std::ostringstream out, err;
    codes[json] = cli::RunDump({input.string(), json}, out, err);
    Check((codes[json] == 0) == err.str().empty(), "a failed dump says why");
    Check(out.str().size() <= 64 * bytes.size() + 4096, "the output grows with the file alone");
    Check(!json || out.str().empty() || out.str().ends_with("\n}\n"), "the JSON is closed");
  }
  Check(codes[0] == codes[1], "both forms find the same damage");
  RemoveAll(input);
}

// Adding POIs to an existing, possibly damaged file: it is rewritten whole with what could be
// read and the new POIs, or left as it was. A rewrite keeps the header it read, and the dump
// refuses a file of another magic, so the input is taken for a TAVI file's.
void Reload(std::string_view bytes) {
  std::string tavi(bytes);
  tavi.replace(0, 4, std::string_view("IVAT").substr(0, tavi.size()));
  const fs::path input = WriteInput("input.tavi", tavi);
  bool wholeBefore = false;
  const std::size_t before = DumpedElements(input, wholeBefore);
  CCustomTaviFile file;
  if (file.Open(FromNativePath(input), false)) {
    // One POI in the middle of each node of the root list, where the index has room for it.
    ElementArray elements;
    for (std::size_t i = 0; file.GetRoot() != nullptr && i < file.GetRoot()->count; ++i) {
      const BoundingRect& rect = file.GetRoot()->bounds[i];
      elements.push_back(std::make_unique<CTaviElement>());
      elements.back()->SetName(u"added");
      elements.back()->SetPosition(
          {rect.left / 2 + rect.right / 2, rect.top / 2 + rect.bottom / 2});
    }
    if (file.AddElementsAndSave(std::move(elements)) != 0) {
      bool whole = false;
      const std::size_t after = DumpedElements(input, whole);
      Check(whole, "a rewritten file is whole");
      Check(!wholeBefore || after == before + static_cast<std::size_t>(file.GetStoredCount()),
            "a sound file keeps every POI it held");
    } else {
      Check(ReadFile(input) == tavi, "a file not rewritten is kept");
    }
  }
  RemoveAll(input);
}

}  // namespace tavi::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tavi::fuzz::TAVI_FUZZ_TARGET({reinterpret_cast<const char*>(data), size});
  return 0;
}

#ifndef TAVI_LIBFUZZER
int main(int argc, char** argv) {
  int inputs = 0;
  for (int i = 1; i < argc; ++i) {
    for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
      const std::string bytes = tavi::fuzz::ReadFile(entry.path());
      LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
      ++inputs;
    }
  }
  std::printf("%d inputs replayed\n", inputs);
  return inputs == 0 ? 1 : 0;
}
#endif
