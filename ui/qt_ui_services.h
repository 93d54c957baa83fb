// The desktop services as Qt provides them: QFileDialog, QMessageBox and QDesktopServices.
#pragma once

#include <QFileDialog>

#include "ui/ui_services.h"

namespace crawlmeter {

class QtUiServices : public UiServices {
 public:
  // `dialogOptions` lets tests ask for Qt's own dialogs (DontUseNativeDialog), which they can
  // drive with key presses; the program uses the platform's.
  explicit QtUiServices(QFileDialog::Options dialogOptions = {});

  QStringList openFiles(QWidget* parent, const QString& title, const QStringList& filters,
                        const QString& startFolder) override;
  QString saveFile(QWidget* parent, const QString& title, const QStringList& filters,
                   const QString& startFolder) override;
  void showMessage(QWidget* parent, const QString& text) override;
  void openUrl(const QUrl& url) override;

 private:
  QFileDialog::Options dialogOptions_;
};

}  // namespace crawlmeter
