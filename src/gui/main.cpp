#include <csignal>

#include "gui/convertor_app.h"

#ifdef TAVI_WITH_GDAL
#include "app/geodata_slot.h"
#include "import/geodata/gdal_support.h"
#include "import/geodata/geodata_importer.h"
#endif

int main(int argc, char** argv) {
  // A file-size limit makes writing fail like a full disk, instead of ending the process.
  std::signal(SIGXFSZ, SIG_IGN);
#ifdef TAVI_WITH_GDAL
  tavi::SetGeodataImporter(tavi::ImportGdalFile);
#endif
  int status = 0;
  {
    tavi::CTAVIConvertorApp app(argc, argv);
    status = app.InitInstance();
  }
#ifdef TAVI_WITH_GDAL
  tavi::ShutDownGdal();
#endif
  return status;
}
