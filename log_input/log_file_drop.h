// Log files dropped on the main window: which drags it takes, the files a drop stands for, and
// the object that takes drops for the window and for every control on it.
#pragma once

#include <QObject>
#include <QStringList>
#include <functional>

class QMimeData;
class QWidget;

namespace crawlmeter {

// Whether data holds at least one local file or folder: the window takes no other drag.
bool holdsLocalFiles(const QMimeData& data);

// The files a drop stands for, in the order dropped: each local file as it is, and for each local
// folder the files in it that the open dialog's filters show, sorted by name (the catch-all
// filter aside, which would show every file). Anything that is no local file is left out.
QStringList droppedLogPaths(const QMimeData& data);

// Takes drops of local files anywhere on window: on the window itself and on each of the
// controls it holds when this is made, text boxes included, whose own drags of text go on as
// before. The paths of each drop go to onDrop, even when they are none.
class LogFileDropTarget : public QObject {
 public:
  LogFileDropTarget(QWidget* window, std::function<void(const QStringList&)> onDrop);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* window_;
  std::function<void(const QStringList&)> onDrop_;
};

}  // namespace crawlmeter
