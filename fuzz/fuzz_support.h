#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "import/file_result.h"

namespace tavi::fuzz {

// A folder of this process's own under the system's temporary folder, made on first use. Then
// also files are set up for many short runs: a sync costs milliseconds and shows nothing here,
// and a small buffer makes every file cross its buffer's end many times.
const std::filesystem::path& ScratchFolder();
void WriteFile(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size);
std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path);
// The names in a folder, sorted; hidden files included.
std::vector<std::string> FolderEntries(const std::filesystem::path& folder);

// Ends the process with a message when a condition does not hold: a fuzzer reports it as a crash.
void Check(bool condition, const char* what);

// What one run of the worker did: each file's result and every log line, in order.
struct SRun {
  std::vector<SFileResult> results;
  std::vector<std::string> log;
};

// Converts the inputs in order as the program does: the worker's run with its output step, with
// this thread standing in for the window.
SRun ConvertFiles(const std::vector<std::filesystem::path>& inputs);

// The elements a ".tavi" file holds, read as a rewrite reads it back; whole is false when the file
// is damaged or cut short.
std::int64_t CountElements(const std::filesystem::path& path, bool& whole);

// Checks that every output of the run holds, whole, exactly the POIs its result and its success
// line report, and that a file without output has no success line.
void CheckOutputs(const SRun& run);

}  // namespace tavi::fuzz
