// Dropped log files. A folder is read for the files the open dialog would offer from it, with the
// dialog's own filters, so that the two ways of choosing logs never drift apart.
#include "log_input/log_file_drop.h"

#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <algorithm>

#include "log_input/log_file_choice.h"

namespace crawlmeter {
namespace {

constexpr QLatin1String kEveryFile("*");

// The name patterns of the open dialog's filters: "Log Files (*.log)" gives "*.log".
QStringList logFilePatterns() {
  QStringList patterns;
  for (const QString& filter : logFileFilters()) {
    const qsizetype open = filter.lastIndexOf(QLatin1Char('('));
    const qsizetype close = filter.lastIndexOf(QLatin1Char(')'));
    if (open < 0 || close < open) continue;
    for (const QString& pattern :
         filter.mid(open + 1, close - open - 1).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
      if (pattern != kEveryFile && !patterns.contains(pattern)) patterns << pattern;
    }
  }
  return patterns;
}

// Hidden files stay out, as the dialog does not show them.
QStringList logFilesIn(const QString& folder) {
  QStringList paths;
  const QFileInfoList entries =
      QDir(folder).entryInfoList(logFilePatterns(), QDir::Files, QDir::Name);
  for (const QFileInfo& entry : entries) paths << entry.absoluteFilePath();
  return paths;
}

// The window only reads the files it is given: a drag that offers only to move them is refused,
// so that no file manager deletes what was dropped.
bool acceptForReading(QDropEvent& event) {
  for (const Qt::DropAction action : {Qt::CopyAction, Qt::LinkAction}) {
    if (event.possibleActions() & action) {
      event.setDropAction(action);
      event.accept();
      return true;
    }
  }
  event.ignore();
  return false;
}

}  // namespace

bool holdsLocalFiles(const QMimeData& data) {
  const QList<QUrl> urls = data.urls();
  return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

QStringList droppedLogPaths(const QMimeData& data) {
  QStringList paths;
  for (const QUrl& url : data.urls()) {
    if (!url.isLocalFile()) continue;
    const QString path = url.toLocalFile();
    if (QFileInfo(path).isDir()) {
      paths << logFilesIn(path);
    } else {
      paths << path;
    }
  }
  return paths;
}

LogFileDropTarget::LogFileDropTarget(QWidget* window,
                                     std::function<void(const QStringList&)> onDrop)
    : QObject(window), window_(window), onDrop_(std::move(onDrop)) {
  window->setAcceptDrops(true);
  window->installEventFilter(this);
  for (QWidget* control : window->findChildren<QWidget*>()) control->installEventFilter(this);
}

bool LogFileDropTarget::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
  // A drag enter is a drag move; both are drop events.
  auto& drop = static_cast<QDropEvent&>(*event);
  if (!holdsLocalFiles(*drop.mimeData())) {
    // A text box goes on with its own drags of text; the window takes none.
    if (watched != window_) return false;
    drop.ignore();
    return true;
  }
  if (acceptForReading(drop) && type == QEvent::Drop) onDrop_(droppedLogPaths(*drop.mimeData()));
  return true;
}

}  // namespace crawlmeter
