// A stand-in for the desktop services: records every call and gives prepared answers, so that
// the windows can be tested without real dialogs blocking and without starting a browser.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include "ui/ui_services.h"

namespace crawlmeter {

class FakeUiServices : public UiServices {
 public:
  struct OpenFilesCall {
    QWidget* parent;
    QString title;
    QStringList filters;
    QString startFolder;
  };
  struct SaveFileCall {
    QWidget* parent;
    QString title;
    QStringList filters;
    QString startFolder;
  };
  struct MessageCall {
    QWidget* parent;
    QString text;
  };

  QStringList openFiles(QWidget* parent, const QString& title, const QStringList& filters,
                        const QString& startFolder) override {
    openFilesCalls << OpenFilesCall{parent, title, filters, startFolder};
    return openFilesAnswer;
  }
  QString saveFile(QWidget* parent, const QString& title, const QStringList& filters,
                   const QString& startFolder) override {
    saveFileCalls << SaveFileCall{parent, title, filters, startFolder};
    return saveFileAnswer;
  }
  void showMessage(QWidget* parent, const QString& text) override {
    messages << MessageCall{parent, text};
  }
  void openUrl(const QUrl& url) override { openedUrls << url; }

  // What the next dialogs answer; empty stands for a cancelled dialog.
  QStringList openFilesAnswer;
  QString saveFileAnswer;

  QList<OpenFilesCall> openFilesCalls;
  QList<SaveFileCall> saveFileCalls;
  QList<MessageCall> messages;
  QList<QUrl> openedUrls;
};

}  // namespace crawlmeter
