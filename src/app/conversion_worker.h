#pragma once

#include <array>
#include <cstdint>

#include "app/conversion_host.h"
#include "app/output_step.h"
#include "import/file_result.h"
#include "platform/wide_string.h"

namespace tavi {

// The message box that closes every run; front ends recognise it by this text.
inline constexpr char16_t kDoneText[] = u"Done!";

// The endings of the formats read through the geodata importer, compared exactly like the others.
// The start-up scan and the window's default filters do not look for them; everything else that
// takes a path or a folder does.
inline constexpr std::array<WStringView, 10> kGeodataEndings{
    u".gpx", u".kml", u".kmz", u".geojson", u".json", u".gpkg", u".shp", u".fgb", u".osm", u".pbf"};

// True when path ends exactly in ".gep", ".csv", ".txt" or one of kGeodataEndings.
bool HasInputEnding(WStringView path);
bool HasGeodataEnding(WStringView path);

// Converts one input path by its ending, compared exactly: ".gep" goes to the GEP importer, ".csv"
// and ".txt" to the CSV importer, the geodata endings to the geodata importer; any other path is
// left alone without a word. The output goes through output; result receives what became of the
// file.
void ConvertFile(const WString& path, COutputStep& output, SFileResult& result);

// The body of a conversion run, meant to run on its own thread: converts every line of the host's
// file list in order, hands the host each file's result and counts each in m_nFilesDone, then
// shows "Done!" and waits until it is closed. A stop asked for (RequestStop) ends the current file
// at its next step, logs "Stopped - <input>" and leaves the rest of the list; "Done!" follows as
// usual. Returns 1 at once without a host, 0 after a run.
std::uint32_t ConversionThreadProc(IConversionHost* host);

}  // namespace tavi
