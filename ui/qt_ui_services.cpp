// The desktop services as Qt provides them.
#include "ui/qt_ui_services.h"

#include <QDesktopServices>
#include <QMessageBox>

#include "resources/product_info.h"

namespace crawlmeter {

namespace {
// Qt separates the entries of a file-dialog filter with two semicolons.
constexpr char kFilterSeparator[] = ";;";
}  // namespace

QtUiServices::QtUiServices(QFileDialog::Options dialogOptions) : dialogOptions_(dialogOptions) {}

QStringList QtUiServices::openFiles(QWidget* parent, const QString& title,
                                    const QStringList& filters, const QString& startFolder) {
  return QFileDialog::getOpenFileNames(parent, title, startFolder, filters.join(kFilterSeparator),
                                       nullptr, dialogOptions_);
}

QString QtUiServices::saveFile(QWidget* parent, const QString& title, const QStringList& filters,
                               const QString& startFolder) {
  // No default suffix is set, so no dialog adds the active filter's extension to a typed name.
  return QFileDialog::getSaveFileName(parent, title, startFolder, filters.join(kFilterSeparator),
                                      nullptr, dialogOptions_ | QFileDialog::DontConfirmOverwrite);
}

void QtUiServices::showMessage(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral(CRAWLMETER_PRODUCT_NAME), text,
                  QMessageBox::Ok, parent);
  box.exec();
}

void QtUiServices::openUrl(const QUrl& url) {
  // Nothing to tell the user if no browser takes the address.
  static_cast<void>(QDesktopServices::openUrl(url));
}

}  // namespace crawlmeter
