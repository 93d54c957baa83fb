// Starts Crawlmeter: the application's identity for the desktop, then the main window.
#include <QApplication>
#include <memory>

#include "app/form1.h"
#include "files/process_setup.h"
#include "resources/product_info.h"
#include "ui/qt_translation.h"
#include "ui/qt_ui_services.h"

int main(int argc, char* argv[]) {
  crawlmeter::setUpProcessForRuns();
  QApplication app(argc, argv);
  crawlmeter::installQtChineseTranslation(app);
  // The names also say where the user's settings live (the dialogs' folders).
  QApplication::setOrganizationName(QStringLiteral(CRAWLMETER_MAKER_NAME));
  QApplication::setApplicationName(QStringLiteral(CRAWLMETER_PRODUCT_NAME));
  QApplication::setApplicationVersion(QStringLiteral(CRAWLMETER_VERSION));
  // Lets the desktop match the windows to the installed desktop entry and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral(CRAWLMETER_DESKTOP_ID));

  crawlmeter::Form1 form1(std::make_shared<crawlmeter::QtUiServices>());
  form1.show();
  // The program ends with its last window, which may be the help window.
  return app.exec();
}
