// Log files dropped on the main window, with real drag-and-drop events: a drop does what the open
// dialog's choice of the same files does, a folder gives the files the dialog would offer from
// it, anywhere on the window; drags of anything else are refused and change nothing.
#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <memory>

#include "app/form1.h"
#include "fake_ui_services.h"
#include "gui_test_support.h"

using crawlmeter::FakeUiServices;
using crawlmeter::Form1;
using crawlmeter::testing::IsolatedUserSettings;

namespace {

constexpr Qt::DropActions kEveryAction = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;

// What a drag carried: paths in the test's folder, web addresses and plain text.
struct Dragged {
  QStringList paths;
  QStringList webAddresses;
  QString text;
};

struct Outcome {
  bool enterAccepted = false;
  bool dropAccepted = false;
  Qt::DropAction action = Qt::IgnoreAction;
};

// The widget Qt hands a drag over point to: the control there, or its nearest container that
// takes drops.
QWidget* dropTargetAt(QWidget* window, const QPoint& point) {
  QWidget* widget = window->childAt(point);
  if (!widget) widget = window;
  while (widget != window && !widget->acceptDrops()) widget = widget->parentWidget();
  return widget;
}

// A point on control, clear of the controls drawn over it; the window's empty corner for none.
QPoint pointOn(QWidget* window, const QString& control) {
  if (control.isEmpty()) return QPoint(window->width() - 3, window->height() - 3);
  auto* widget = window->findChild<QWidget*>(control);
  if (!widget) return QPoint(-1, -1);
  const bool frame = control.startsWith("Frame");
  return widget->mapTo(window, frame ? QPoint(3, 3) : widget->rect().center());
}

}  // namespace

Q_DECLARE_METATYPE(Dragged)

class LogFileDropTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QVERIFY(settings_.isValid()); }
  void init();
  void cleanup();

  void aDropDoesWhatTheDialogsChoiceDoes_data();
  void aDropDoesWhatTheDialogsChoiceDoes();
  void filesAreTakenAnywhereOnTheWindow_data();
  void filesAreTakenAnywhereOnTheWindow();
  void dragsWithoutLocalFilesAreRefused_data();
  void dragsWithoutLocalFilesAreRefused();
  void aFolderWithoutLogsChangesNothing();
  void textBoxesStillTakeDraggedText();

 private:
  QString path(const QString& name) const { return QDir::cleanPath(files_->filePath(name)); }
  std::unique_ptr<QMimeData> mimeDataOf(const Dragged& dragged) const;
  // Drags dragged over point of the window, then drops it there.
  Outcome dragAndDrop(const Dragged& dragged, QPoint point = QPoint(5, 5),
                      Qt::DropActions actions = kEveryAction);
  void chooseWithTheDialog(const QStringList& paths);

  IsolatedUserSettings settings_;
  std::unique_ptr<QTemporaryDir> files_;
  std::shared_ptr<FakeUiServices> services_;
  std::unique_ptr<Form1> form1_;
};

void LogFileDropTest::init() {
  files_ = std::make_unique<QTemporaryDir>();
  QVERIFY(files_->isValid());
  const QDir dir(files_->path());
  for (const char* folder : {"logs", "logs/sub", "other", "empty"}) QVERIFY(dir.mkpath(folder));
  // Of these the open dialog offers the log, text and compressed files that are not hidden.
  for (const char* name : {"logs/b.log", "logs/a.log", "logs/d.gz", "logs/c.txt", "logs/notes.md",
                           "logs/.hidden.log", "logs/sub/x.log", "other/e.log", "empty/notes.md"}) {
    QFile file(dir.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
  }
  QVERIFY(crawlmeter::testing::showMainWindow(services_, form1_));
}

void LogFileDropTest::cleanup() {
  form1_.reset();
  services_.reset();
  files_.reset();
}

std::unique_ptr<QMimeData> LogFileDropTest::mimeDataOf(const Dragged& dragged) const {
  QList<QUrl> urls;
  for (const QString& name : dragged.paths) urls << QUrl::fromLocalFile(files_->filePath(name));
  for (const QString& address : dragged.webAddresses) urls << QUrl(address);
  auto data = std::make_unique<QMimeData>();
  if (!urls.isEmpty()) data->setUrls(urls);
  if (!dragged.text.isEmpty()) data->setText(dragged.text);
  return data;
}

Outcome LogFileDropTest::dragAndDrop(const Dragged& dragged, QPoint point,
                                     Qt::DropActions actions) {
  const std::unique_ptr<QMimeData> data = mimeDataOf(dragged);
  QWidget* target = dropTargetAt(form1_.get(), point);
  const QPoint local = target->mapFrom(form1_.get(), point);
  Outcome outcome;
  QDragEnterEvent enter(local, actions, data.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  outcome.enterAccepted = enter.isAccepted();
  QDragMoveEvent move(local, actions, data.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &move);
  // Dropped even when refused, to see that a refused drop changes nothing either.
  QDropEvent drop(local, actions, data.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  outcome.dropAccepted = drop.isAccepted();
  outcome.action = drop.dropAction();
  return outcome;
}

void LogFileDropTest::chooseWithTheDialog(const QStringList& paths) {
  services_->openFilesAnswer = paths;
  QTest::mouseClick(form1_->chooseLogsButton(), Qt::LeftButton);
}

void LogFileDropTest::aDropDoesWhatTheDialogsChoiceDoes_data() {
  QTest::addColumn<Dragged>("dragged");
  // What the open dialog would have given for the same choice.
  QTest::addColumn<QStringList>("chosen");
  QTest::addColumn<QString>("display");
  const QStringList logs = {"logs/a.log", "logs/b.log", "logs/c.txt", "logs/d.gz"};
  QTest::newRow("one file") << Dragged{{"logs/b.log"}, {}, {}} << QStringList{"logs/b.log"}
                            << "<path>logs/b.log";
  QTest::newRow("files of one folder, as dropped")
      << Dragged{{"logs/b.log", "logs/notes.md"}, {}, {}}
      << QStringList{"logs/b.log", "logs/notes.md"} << "b.log;notes.md;";
  QTest::newRow("a folder: what the dialog offers, by name")
      << Dragged{{"logs/"}, {}, {}} << logs << "a.log;b.log;c.txt;d.gz;";
  QTest::newRow("a folder and a file from elsewhere")
      << Dragged{{"logs", "other/e.log"}, {}, {}} << logs + QStringList{"other/e.log"}
      << "a.log;b.log;c.txt;d.gz;e.log;";
  QTest::newRow("web addresses and text are left out")
      << Dragged{{"other/e.log"}, {"http://127.0.0.1/a.log", "ftp://127.0.0.1/logs/"}, "logs/a.log"}
      << QStringList{"other/e.log"} << "<path>other/e.log";
}

void LogFileDropTest::aDropDoesWhatTheDialogsChoiceDoes() {
  QFETCH(Dragged, dragged);
  QFETCH(QStringList, chosen);
  QFETCH(QString, display);
  chooseWithTheDialog({path("empty/notes.md")});  // a drop replaces any earlier choice
  const Outcome outcome = dragAndDrop(dragged);
  QVERIFY(outcome.enterAccepted && outcome.dropAccepted);
  QCOMPARE(outcome.action, Qt::CopyAction);
  const QStringList dropped = form1_->logFiles();
  QCOMPARE(form1_->logFilesBox()->text(),
           QString(display).replace("<path>", QDir::toNativeSeparators(files_->path() + "/")));

  QStringList paths;
  for (const QString& name : chosen) paths << path(name);
  chooseWithTheDialog(paths);
  QCOMPARE(dropped, form1_->logFiles());
  QCOMPARE(dropped.mid(1), paths);
  QVERIFY(services_->messages.isEmpty());
}

void LogFileDropTest::filesAreTakenAnywhereOnTheWindow_data() {
  QTest::addColumn<QString>("control");
  for (const char* name : {"Command1", "Text1", "Text2", "Text3", "Frame1", "Frame2", "Option2",
                           "Command3", "Command12"}) {
    QTest::newRow(name) << QString(name);
  }
  QTest::newRow("the window's empty corner") << QString();
}

void LogFileDropTest::filesAreTakenAnywhereOnTheWindow() {
  QFETCH(QString, control);
  const QPoint point = pointOn(form1_.get(), control);
  QWidget* under = form1_->childAt(point);
  auto* widget = form1_->findChild<QWidget*>(control);
  QVERIFY(control.isEmpty() ? under == nullptr : under == widget || widget->isAncestorOf(under));
  const Outcome outcome = dragAndDrop({{"other/e.log"}, {}, {}}, point);
  QVERIFY(outcome.enterAccepted && outcome.dropAccepted);
  QCOMPARE(form1_->logFiles(), QStringList({"", path("other/e.log")}));
  QCOMPARE(form1_->exportTargetBox()->text(), QString());
  QCOMPARE(form1_->resultBox()->toPlainText(), QString());
}

void LogFileDropTest::dragsWithoutLocalFilesAreRefused_data() {
  QTest::addColumn<Dragged>("dragged");
  QTest::addColumn<int>("actions");
  QTest::newRow("text") << Dragged{{}, {}, "access.log"} << int(kEveryAction);
  QTest::newRow("web addresses") << Dragged{{}, {"http://127.0.0.1/a.log"}, {}}
                                 << int(kEveryAction);
  QTest::newRow("files offered only to be moved")
      << Dragged{{"logs/a.log"}, {}, {}} << int(Qt::MoveAction);
}

void LogFileDropTest::dragsWithoutLocalFilesAreRefused() {
  QFETCH(Dragged, dragged);
  QFETCH(int, actions);
  chooseWithTheDialog({path("other/e.log")});
  // A button, the window itself and the box that only shows the choice.
  for (const char* control : {"Command1", "", "Text1"}) {
    const Outcome outcome =
        dragAndDrop(dragged, pointOn(form1_.get(), control), Qt::DropActions(actions));
    QVERIFY(!outcome.enterAccepted);
    QVERIFY(!outcome.dropAccepted);
  }
  QCOMPARE(form1_->logFiles(), QStringList({"", path("other/e.log")}));
  QCOMPARE(form1_->logFilesBox()->text(), QDir::toNativeSeparators(path("other/e.log")));
}

void LogFileDropTest::aFolderWithoutLogsChangesNothing() {
  chooseWithTheDialog({path("other/e.log")});
  const Outcome outcome = dragAndDrop({{"empty"}, {}, {}});
  QVERIFY(outcome.dropAccepted);
  QCOMPARE(form1_->logFiles(), QStringList({"", path("other/e.log")}));
  QVERIFY(services_->messages.isEmpty());
}

void LogFileDropTest::textBoxesStillTakeDraggedText() {
  const Outcome outcome = dragAndDrop({{}, {}, "/out/report.txt"}, pointOn(form1_.get(), "Text2"));
  QVERIFY(outcome.dropAccepted);
  QCOMPARE(form1_->exportTargetBox()->text(), QString("/out/report.txt"));
  QVERIFY(form1_->logFiles().isEmpty());
}

QTEST_MAIN(LogFileDropTest)
#include "log_file_drop_test.moc"
