// The windows' only way to the desktop: file dialogs, message boxes and the web browser.
// Tests put a fake behind it so that no real dialog blocks them and no browser starts.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

class QWidget;

namespace crawlmeter {

class UiServices {
 public:
  virtual ~UiServices() = default;

  // A modal dialog choosing one or more files, opening in the folder startFolder. `filters` are
  // entries like "Log Files (*.log)"; the first one is active when the dialog opens. Gives the
  // chosen full paths, none on cancel.
  virtual QStringList openFiles(QWidget* parent, const QString& title, const QStringList& filters,
                                const QString& startFolder) = 0;

  // A modal dialog naming one file to write, opening in the folder startFolder and offering
  // `filters` as openFiles does: no added extension (whatever filter is active) and no question
  // about replacing an existing file. Gives the full path, or an empty string on cancel.
  virtual QString saveFile(QWidget* parent, const QString& title, const QStringList& filters,
                           const QString& startFolder) = 0;

  // A modal message with a single OK button, no icon, and the program's name as its caption.
  virtual void showMessage(QWidget* parent, const QString& text) = 0;

  // Hands the address to the user's browser and returns at once; a failure is not reported.
  virtual void openUrl(const QUrl& url) = 0;
};

}  // namespace crawlmeter
