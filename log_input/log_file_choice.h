// Choosing the log files: the open dialog's answer becomes the main window's list of log files
// (positions 1..N the full paths, in the dialog's order) and the text its log files box shows.
#pragma once

#include <QChar>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace crawlmeter {

class UiServices;

struct LogFileChoice {
  // Position 0: the empty string for one file, the folder for several; then the full paths.
  QStringList logFiles;
  // One file: its full path. Several: each bare name followed by ';'.
  QString display;
};

// The dialog's answer in its classic single-string form: the full path of one file, or the
// folder followed by every bare name, separated by NUL characters; empty when none was chosen.
QString dialogFileName(const QStringList& chosenPaths);

// The choice a dialog file name stands for; nullopt for the empty name (a cancelled dialog).
// Folder and name are joined with separator as they are: nothing is removed or tested.
std::optional<LogFileChoice> logFileChoice(const QString& fileName, QChar separator);

// The choice the dialog's paths stand for. Paths from one folder go through the single-string
// form; a dialog that gives files from several folders (recent files, a search) keeps each file's
// own full path.
std::optional<LogFileChoice> logFileChoiceOf(const QStringList& chosenPaths);

// The open dialog's filters, the first one in effect when it opens.
const QStringList& logFileFilters();

// Shows the open dialog ("打开", log files or text files, several at once), in the folder it
// last gave files in; remembers the folder of the first file chosen.
std::optional<LogFileChoice> chooseLogFiles(UiServices& services, QWidget* parent);

}  // namespace crawlmeter
