// The log file choice. The display is built from the bare names before the paths are completed,
// which is why the log files box shows names while the list of log files holds full paths.
#include "log_input/log_file_choice.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "ui/dialog_folders.h"
#include "ui/ui_services.h"

namespace crawlmeter {
namespace {

constexpr QChar kNameSeparator = QChar(0);
const QString kTitle = QStringLiteral("打开");
// The first filter is the one in effect; compressed logs and any file can be chosen after it.
const QStringList kFilters = {
    QStringLiteral("Log Files (*.log)"), QStringLiteral("Text Files (*.txt)"),
    QStringLiteral("压缩日志 (*.gz *.bz2 *.xz *.zst)"), QStringLiteral("所有文件 (*)")};

}  // namespace

QString dialogFileName(const QStringList& chosenPaths) {
  if (chosenPaths.size() <= 1) {
    return chosenPaths.isEmpty() ? QString() : QDir::toNativeSeparators(chosenPaths.front());
  }
  // A dialog chooses several files in one folder.
  QString fileName = QDir::toNativeSeparators(QFileInfo(chosenPaths.front()).path());
  for (const QString& path : chosenPaths) fileName += kNameSeparator + QFileInfo(path).fileName();
  return fileName;
}

std::optional<LogFileChoice> logFileChoice(const QString& fileName, QChar separator) {
  if (fileName.isEmpty()) return std::nullopt;
  const QStringList pieces = fileName.split(kNameSeparator);
  if (pieces.size() == 1) return LogFileChoice{{QString(), fileName}, fileName};
  LogFileChoice choice{pieces, QString()};
  for (qsizetype i = 1; i < pieces.size(); ++i) choice.display += pieces[i] + QLatin1Char(';');
  for (qsizetype i = 1; i < pieces.size(); ++i)
    choice.logFiles[i] = pieces[0] + separator + pieces[i];
  return choice;
}

std::optional<LogFileChoice> logFileChoiceOf(const QStringList& chosenPaths) {
  const QString folder = chosenPaths.isEmpty() ? QString() : QFileInfo(chosenPaths.front()).path();
  const bool oneFolder =
      std::all_of(chosenPaths.begin(), chosenPaths.end(),
                  [&](const QString& path) { return QFileInfo(path).path() == folder; });
  if (oneFolder) return logFileChoice(dialogFileName(chosenPaths), QDir::separator());
  LogFileChoice choice{{QString()}, QString()};
  for (const QString& path : chosenPaths) {
    choice.logFiles << QDir::toNativeSeparators(path);
    choice.display += QFileInfo(path).fileName() + QLatin1Char(';');
  }
  return choice;
}

const QStringList& logFileFilters() { return kFilters; }

std::optional<LogFileChoice> chooseLogFiles(UiServices& services, QWidget* parent) {
  const QStringList paths =
      services.openFiles(parent, kTitle, kFilters, startFolder(DialogFolder::LogFiles));
  if (!paths.isEmpty()) rememberFolderOf(DialogFolder::LogFiles, paths.front());
  return logFileChoiceOf(paths);
}

}  // namespace crawlmeter
