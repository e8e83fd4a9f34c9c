#include "gui/convertor_app.h"

#include <QIcon>
#include <QString>
#include <QStringList>
#include <vector>

#include "gui/convertor_window.h"

namespace tavi {

namespace {

QIcon ApplicationIcon() {
  QIcon icon;
  for (const int size : {16, 32, 48, 256}) {
    icon.addFile(QStringLiteral(":/icons/tavi-convertor-%1.png").arg(size));
  }
  return icon;
}

}  // namespace

CTAVIConvertorApp::CTAVIConvertorApp(int& argc, char** argv) : m_application(argc, argv) {
  QApplication::setApplicationName(QStringLiteral("TAVI Convertor"));
  QApplication::setApplicationVersion(QStringLiteral("1.0"));
  QApplication::setDesktopFileName(QStringLiteral("tavi-convertor"));
  QApplication::setWindowIcon(ApplicationIcon());
}

int CTAVIConvertorApp::InitInstance() {
  // The toolkit has taken its own options out already; what is left are the paths to list.
  const QStringList arguments = QCoreApplication::arguments();
  std::vector<WString> startPaths;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    startPaths.push_back(arguments.at(i).toStdU16String());
  }
  CConvertorWindow window(startPaths);
  window.exec();
  return 0;
}

}  // namespace tavi
