// tavi: the converter's command line. Options are parsed first, without touching any file; then
// the chosen command runs.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <csignal>
#include <exception>
#include <iostream>
#include <string>
#include <utility>

#include "cli/convert_command.h"
#include "cli/dump_command.h"

namespace {

bool IsCommand(const CLI::App& app, const std::string& name) {
  const auto named = [&name](const CLI::App* command) { return command->check_name(name); };
  return !std::as_const(app).get_subcommands(named).empty();
}

int Run(int argc, char** argv) {
  CLI::App app{"Converts point-of-interest files (.gep, .csv, .txt) into TAVI POI files.", "tavi"};
  app.set_version_flag("--version", "tavi " TAVI_VERSION);
  app.require_subcommand(1);

  tavi::cli::SConvertOptions convert;
  CLI::App* convertCommand = app.add_subcommand(
      "convert",
      "Convert files into .tavi files beside them, in the order given. A folder stands for the "
      ".gep, .csv and .txt files in it; no PATH means the working folder.");
  convertCommand->add_flag("-q,--quiet", convert.quiet,
                           "No progress bar, no notes of the command line's own, no summary");
  convertCommand->add_flag("--strict", convert.strict,
                           "Exit with 1 also when a line, record or POI was left out");
  convertCommand->add_option("-o,--output-dir", convert.outputFolder,
                             "Write the outputs into this folder instead of beside the inputs");
  convertCommand->add_option("PATH", convert.paths, "Input files and folders");

  tavi::cli::SDumpOptions dump;
  CLI::App* dumpCommand =
      app.add_subcommand("dump", "Print the header, the index and every element of a .tavi file.");
  dumpCommand->add_flag("--json", dump.json, "Print JSON instead of text");
  dumpCommand->add_option("FILE", dump.path, "The .tavi file")->required();

  // Without this, a mistyped command would only be told that a command is required.
  if (argc > 1 && argv[1][0] != '-' && !IsCommand(app, argv[1])) {
    std::cerr << "tavi: unknown command '" << argv[1] << "'\n";
    return tavi::cli::kExitUsage;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? tavi::cli::kExitSuccess : tavi::cli::kExitUsage;
  }
  if (convertCommand->parsed()) {
    return tavi::cli::RunConvert(convert, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
  }
  return tavi::cli::RunDump(dump, std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  // A file-size limit makes writing fail like a full disk, instead of ending the process.
  std::signal(SIGXFSZ, SIG_IGN);
  int status = tavi::cli::kExitFailure;
  try {
    status = Run(argc, argv);
  } catch (const std::exception& error) {
    std::cerr << "tavi: " << error.what() << '\n';
    return tavi::cli::kExitFailure;
  }
  // A log or dump that could not be written (a full disk behind a redirection) is no success.
  if (!std::cout.flush()) {
    std::cerr << "tavi: cannot write to standard output\n";
    return tavi::cli::kExitFailure;
  }
  return status;
}
