#pragma once

#include <string>

namespace tavi {

// Registers GDAL's drivers and this program's OSM configuration once per process.
void EnsureGdalReady();

// Releases what GDAL keeps for the whole process; the front ends call it before they end.
void ShutDownGdal();

// While it lives, GDAL's messages on this thread go here instead of standard error: a failure is
// kept (the last one wins) so that the log line can give GDAL's reason; warnings are dropped.
class CGdalErrorTrap {
 public:
  CGdalErrorTrap();
  ~CGdalErrorTrap();
  CGdalErrorTrap(const CGdalErrorTrap&) = delete;
  CGdalErrorTrap& operator=(const CGdalErrorTrap&) = delete;

  bool Failed() const { return !m_failure.empty(); }
  const std::string& Failure() const { return m_failure; }
  void Clear() { m_failure.clear(); }

 private:
  std::string m_failure;
};

}  // namespace tavi
