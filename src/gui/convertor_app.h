#pragma once

#include <QApplication>

namespace tavi {

// The application: owns the toolkit's application object, shows the main window until it is
// closed, and then ends.
class CTAVIConvertorApp {
 public:
  CTAVIConvertorApp(int& argc, char** argv);

  // Runs the main window, listing the files named on the command line; returns when it has been
  // closed.
  int InitInstance();

 private:
  QApplication m_application;
};

}  // namespace tavi
