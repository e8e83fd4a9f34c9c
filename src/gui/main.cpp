#include <csignal>

#include "gui/convertor_app.h"

int main(int argc, char** argv) {
  // A file-size limit makes writing fail like a full disk, instead of ending the process.
  std::signal(SIGXFSZ, SIG_IGN);
  tavi::CTAVIConvertorApp app(argc, argv);
  return app.InitInstance();
}
