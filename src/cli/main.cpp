// tavi: the converter's command line. Options are parsed first, without touching any file; then
// the chosen command runs.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <csignal>
#include <exception>
#include <iostream>
#include <string>
#include <utility>

#include "app/geodata_slot.h"
#include "cli/convert_command.h"
#include "cli/dump_command.h"
#include "cli/export_command.h"
#include "cli/map_command.h"
#ifdef TAVI_WITH_GDAL
#include "import/geodata/gdal_support.h"
#include "import/geodata/geodata_importer.h"
#endif

namespace {

// The geodata formats come with GDAL; a build without it still knows the commands and says why
// they cannot work.
#ifdef TAVI_WITH_GDAL
class CGeodataSupport {
 public:
  CGeodataSupport() { tavi::SetGeodataImporter(tavi::ImportGdalFile); }
  ~CGeodataSupport() { tavi::ShutDownGdal(); }
  CGeodataSupport(const CGeodataSupport&) = delete;
  CGeodataSupport& operator=(const CGeodataSupport&) = delete;

  static int Export(const tavi::cli::SExportOptions& options) {
    return tavi::cli::RunExport(options, std::cout, std::cerr);
  }
};
#else
struct CGeodataSupport {
  static int Export(const tavi::cli::SExportOptions&) {
    std::cerr << "tavi: export is not available (built without GDAL)\n";
    return tavi::cli::kExitFailure;
  }
};
#endif

bool IsCommand(const CLI::App& app, const std::string& name) {
  const auto named = [&name](const CLI::App* command) { return command->check_name(name); };
  return !std::as_const(app).get_subcommands(named).empty();
}

int Run(int argc, char** argv) {
  CLI::App app{
      "Converts point-of-interest files (.gep, .csv, .txt and geodata: .gpx, .kml, .kmz, .geojson, "
      ".json, .gpkg, .shp, .fgb, .osm, .pbf) into TAVI POI files.",
      "tavi"};
  app.set_version_flag("--version", "tavi " TAVI_VERSION);
  app.require_subcommand(1);

  tavi::cli::SConvertOptions convert;
  CLI::App* convertCommand = app.add_subcommand(
      "convert",
      "Convert files into .tavi files beside them, in the order given. A folder stands for the "
      ".gep, .csv, .txt and geodata files in it; no PATH means the working folder.");
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

  tavi::cli::SExportOptions exportOptions;
  CLI::App* exportCommand = app.add_subcommand(
      "export",
      "Write every element of a .tavi file to a geodata file (.gpx, .geojson, .kml, .gpkg, .csv).");
  exportCommand->add_option("FILE", exportOptions.path, "The .tavi file")->required();
  exportCommand->add_option("-o,--output", exportOptions.output, "The file to write")->required();
  exportCommand->add_option("--format", exportOptions.format,
                            "A GDAL driver name (GeoJSON, GPX, KML, GPKG, CSV, ...); without it "
                            "the output's ending decides");

  tavi::cli::SMapOptions map;
  CLI::App* mapCommand = app.add_subcommand(
      "map", "Draw a .tavi file as an SVG picture: its index rectangles and its POIs.");
  mapCommand->add_option("FILE", map.path, "The .tavi file")->required();
  mapCommand->add_option("-o,--output", map.output, "The SVG file to write")->required();
  mapCommand->add_option("--size", map.size, "Width of the picture in pixels")
      ->check(CLI::Range(64, 16384));

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
  if (mapCommand->parsed()) return tavi::cli::RunMap(map, std::cerr);
  if (exportCommand->parsed()) return CGeodataSupport::Export(exportOptions);
  return tavi::cli::RunDump(dump, std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  // A file-size limit makes writing fail like a full disk, instead of ending the process.
  std::signal(SIGXFSZ, SIG_IGN);
  [[maybe_unused]] const CGeodataSupport geodata;
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
