// The folders the open and save dialogs start in: the user's home at first, then the folder each
// dialog last gave a file in, kept in the user's settings for the next window and the next start,
// and the home again once that folder is gone.
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/form1.h"
#include "fake_ui_services.h"
#include "gui_test_support.h"

using crawlmeter::FakeUiServices;
using crawlmeter::Form1;
using crawlmeter::testing::IsolatedUserSettings;

namespace {

// One of the two dialogs, as the window's button shows it and the fake answers it.
struct Dialog {
  const char* name;
  QPushButton* (Form1::*button)() const;
  const char* fileName;  // a name the window takes
  void (*answer)(FakeUiServices&, const QString&);
  QString (*lastStartFolder)(const FakeUiServices&);
};

const Dialog kDialogs[] = {
    {"open", &Form1::chooseLogsButton, "access.log",
     [](FakeUiServices& fake, const QString& path) {
       fake.openFilesAnswer = path.isEmpty() ? QStringList() : QStringList{path};
     },
     [](const FakeUiServices& fake) {
       return fake.openFilesCalls.isEmpty() ? QString("<none>")
                                            : fake.openFilesCalls.last().startFolder;
     }},
    {"save", &Form1::chooseExportButton, "report.txt",
     [](FakeUiServices& fake, const QString& path) { fake.saveFileAnswer = path; },
     [](const FakeUiServices& fake) {
       return fake.saveFileCalls.isEmpty() ? QString("<none>")
                                           : fake.saveFileCalls.last().startFolder;
     }},
};

}  // namespace

class DialogFoldersTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();

  void dialogStartsInTheFolderItLastGaveAFileIn_data() { addDialogRows(); }
  void dialogStartsInTheFolderItLastGaveAFileIn();
  void theFolderOutlivesTheWindow_data() { addDialogRows(); }
  void theFolderOutlivesTheWindow();
  void aFolderThatIsGoneGivesTheHome_data() { addDialogRows(); }
  void aFolderThatIsGoneGivesTheHome();
  void eachDialogKeepsItsOwnFolder();
  void anExportNameRefusedIsNotRemembered();

 private:
  static void addDialogRows();
  const Dialog& dialog() const;
  // Answers the dialog with path (empty: cancelled), clicks its button and gives the folder the
  // dialog was asked to start in.
  QString chooseWith(const Dialog& dialog, const QString& path);
  QString folder(const char* name) const;

  IsolatedUserSettings settings_;
  std::unique_ptr<QTemporaryDir> files_;
  std::shared_ptr<FakeUiServices> services_;
  std::unique_ptr<Form1> form1_;
};

void DialogFoldersTest::initTestCase() {
  QVERIFY(settings_.isValid());
  // As the program names itself: its settings file is found by these names.
  QCoreApplication::setOrganizationName("Veldtbyte");
  QCoreApplication::setApplicationName("Crawlmeter");
  QVERIFY(QSettings().fileName().startsWith(settings_.path()));
}

void DialogFoldersTest::init() {
  QSettings().clear();
  files_ = std::make_unique<QTemporaryDir>();
  QVERIFY(files_->isValid());
  for (const char* name : {"a", "b"}) QVERIFY(QDir(files_->path()).mkdir(name));
  services_ = std::make_shared<FakeUiServices>();
  form1_ = std::make_unique<Form1>(services_);
}

void DialogFoldersTest::cleanup() {
  form1_.reset();
  services_.reset();
  files_.reset();
}

void DialogFoldersTest::addDialogRows() {
  QTest::addColumn<int>("dialog");
  for (int i = 0; i < int(std::size(kDialogs)); ++i) QTest::newRow(kDialogs[i].name) << i;
}

const Dialog& DialogFoldersTest::dialog() const {
  QFETCH(int, dialog);
  return kDialogs[dialog];
}

QString DialogFoldersTest::chooseWith(const Dialog& dialog, const QString& path) {
  dialog.answer(*services_, path);
  QTest::mouseClick((form1_.get()->*dialog.button)(), Qt::LeftButton);
  return dialog.lastStartFolder(*services_);
}

QString DialogFoldersTest::folder(const char* name) const { return files_->filePath(name); }

void DialogFoldersTest::dialogStartsInTheFolderItLastGaveAFileIn() {
  const Dialog& chosen = dialog();
  QCOMPARE(chooseWith(chosen, folder("a") + "/" + chosen.fileName), QDir::homePath());
  QCOMPARE(chooseWith(chosen, QString()), folder("a"));
  QCOMPARE(chooseWith(chosen, folder("b") + "/" + chosen.fileName), folder("a"));  // a cancel
  QCOMPARE(chooseWith(chosen, QString()), folder("b"));
}

void DialogFoldersTest::theFolderOutlivesTheWindow() {
  const Dialog& chosen = dialog();
  chooseWith(chosen, folder("b") + "/" + chosen.fileName);
  form1_.reset();
  services_ = std::make_shared<FakeUiServices>();
  form1_ = std::make_unique<Form1>(services_);
  QCOMPARE(chooseWith(chosen, QString()), folder("b"));
  // Kept in the user's settings file, where the next start of the program reads it.
  QSettings().sync();
  QFile file(QSettings().fileName());
  QVERIFY(file.open(QIODevice::ReadOnly));
  QVERIFY(file.readAll().contains(folder("b").toUtf8()));
}

void DialogFoldersTest::aFolderThatIsGoneGivesTheHome() {
  const Dialog& chosen = dialog();
  chooseWith(chosen, folder("b") + "/" + chosen.fileName);
  QVERIFY(QDir(folder("b")).removeRecursively());
  QCOMPARE(chooseWith(chosen, QString()), QDir::homePath());
}

void DialogFoldersTest::eachDialogKeepsItsOwnFolder() {
  const Dialog& open = kDialogs[0];
  const Dialog& save = kDialogs[1];
  chooseWith(open, folder("a") + "/access.log");
  QCOMPARE(chooseWith(save, folder("b") + "/report.txt"), QDir::homePath());
  QCOMPARE(chooseWith(open, QString()), folder("a"));
  QCOMPARE(chooseWith(save, QString()), folder("b"));
}

void DialogFoldersTest::anExportNameRefusedIsNotRemembered() {
  const Dialog& save = kDialogs[1];
  chooseWith(save, folder("a") + "/report.txt");
  chooseWith(save, folder("b") + "/report.doc");
  QCOMPARE(services_->messages.size(), 1);
  QCOMPARE(chooseWith(save, QString()), folder("a"));
}

QTEST_MAIN(DialogFoldersTest)
#include "dialog_folders_test.moc"
