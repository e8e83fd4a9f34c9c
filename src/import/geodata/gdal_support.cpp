#include "import/geodata/gdal_support.h"

#include <cpl_error.h>
#include <gdal.h>
#include <ogr_api.h>

#include <atomic>
#include <mutex>

#include "import/geodata/osm_config.h"

namespace tavi {

namespace {

std::atomic<bool> g_gdalReady{false};

void CPL_STDCALL KeepFailure(CPLErr level, CPLErrorNum, const char* message) {
  if (level < CE_Failure) return;
  auto* trap = static_cast<std::string*>(CPLGetErrorHandlerUserData());
  // GDAL sometimes reports an error without a text; the failure must still count.
  *trap = (message != nullptr && *message != '\0') ? message : "unknown error";
}

}  // namespace

void EnsureGdalReady() {
  static std::once_flag once;
  std::call_once(once, [] {
    GDALAllRegister();
    InstallOsmConfig();
    g_gdalReady = true;
  });
}

void ShutDownGdal() {
  if (!g_gdalReady.exchange(false)) return;
  RemoveOsmConfig();
  GDALDestroyDriverManager();
  OGRCleanupAll();
}

CGdalErrorTrap::CGdalErrorTrap() {
  CPLPushErrorHandlerEx(KeepFailure, &m_failure);
}

CGdalErrorTrap::~CGdalErrorTrap() {
  CPLPopErrorHandler();
}

}  // namespace tavi
