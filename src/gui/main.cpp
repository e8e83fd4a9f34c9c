#include "gui/convertor_app.h"

int main(int argc, char** argv) {
  tavi::CTAVIConvertorApp app(argc, argv);
  return app.InitInstance();
}
