// The real desktop services, driven through Qt's own dialogs with key presses: what the dialogs
// ask, what they give back, and that the message box is a plain OK box with the program's name.
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "modal_driver.h"
#include "ui/qt_translation.h"
#include "ui/qt_ui_services.h"

using crawlmeter::QtUiServices;
using crawlmeter::testing::ModalDriver;
using crawlmeter::testing::typeIntoFileDialog;

namespace {

const QStringList kLogFilters = {"Log Files (*.log)", "Text Files (*.txt)",
                                 "压缩日志 (*.gz *.bz2 *.xz *.zst)", "所有文件 (*)"};
const QStringList kSaveFilters = {"Text Files (*.txt)", "HTML 报告 (*.html)", "CSV 表格 (*.csv)",
                                  "JSON 数据 (*.json)"};

bool makeFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write("x") == 1;
}

}  // namespace

// Receives the addresses that QDesktopServices would hand to the browser.
class UrlCatcher : public QObject {
  Q_OBJECT

 public slots:
  void catchUrl(const QUrl& url) { urls << url; }

 public:
  QList<QUrl> urls;
};

class QtUiServicesTest : public QObject {
  Q_OBJECT

 private slots:
  void init();

  void messageIsAPlainOkBoxWithTheProgramsName();
  void openDialogOffersTheFiltersInOrder();
  void openDialogGivesTheFullPathsOfAllChosenFiles();
  void cancelledOpenDialogGivesNothing();
  void saveDialogOffersTheFiltersInOrder();
  void saveDialogAddsNoExtension_data();
  void saveDialogAddsNoExtension();
  void saveDialogTakesAnExistingFileWithoutAsking();
  void cancelledSaveDialogGivesNothing();
  void webAddressGoesToTheDesktop();
  void standardButtonsSpeakChinese();

 private:
  QtUiServices services_{QFileDialog::DontUseNativeDialog};
  std::unique_ptr<QTemporaryDir> dir_;
};

void QtUiServicesTest::init() {
  dir_ = std::make_unique<QTemporaryDir>();
  QVERIFY(dir_->isValid());
  for (const char* name : {"a.log", "b.log", "c.txt"}) QVERIFY(makeFile(dir_->filePath(name)));
  QVERIFY(QDir(dir_->path()).mkdir("logs"));
}

void QtUiServicesTest::messageIsAPlainOkBoxWithTheProgramsName() {
  QString caption, text;
  QMessageBox::Icon icon = QMessageBox::Warning;
  qsizetype buttons = 0;
  ModalDriver driver([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    QVERIFY(box);
    caption = box->windowTitle();
    text = box->text();
    icon = box->icon();
    buttons = box->buttons().size();
    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
  });
  services_.showMessage(nullptr, "请选择输出文件");
  QCOMPARE(caption, QString("Crawlmeter"));
  QCOMPARE(text, QString("请选择输出文件"));
  QCOMPARE(icon, QMessageBox::NoIcon);
  QCOMPARE(buttons, 1);
}

void QtUiServicesTest::openDialogOffersTheFiltersInOrder() {
  QString title, activeFilter, folder;
  QStringList filters;
  ModalDriver driver([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    QVERIFY(dialog);
    title = dialog->windowTitle();
    filters = dialog->nameFilters();
    activeFilter = dialog->selectedNameFilter();
    folder = dialog->directory().absolutePath();
    dialog->reject();
  });
  services_.openFiles(nullptr, "打开", kLogFilters, dir_->filePath("logs"));
  QCOMPARE(title, QString("打开"));
  QCOMPARE(filters, kLogFilters);
  QCOMPARE(activeFilter, kLogFilters.first());
  QCOMPARE(folder, dir_->filePath("logs"));
}

void QtUiServicesTest::openDialogGivesTheFullPathsOfAllChosenFiles() {
  ModalDriver driver(
      [&](QWidget* modal) { typeIntoFileDialog(modal, dir_->path(), "\"a.log\" \"b.log\""); });
  const QStringList chosen = services_.openFiles(nullptr, "打开", kLogFilters, dir_->path());
  QCOMPARE(chosen, QStringList({dir_->filePath("a.log"), dir_->filePath("b.log")}));
}

void QtUiServicesTest::cancelledOpenDialogGivesNothing() {
  ModalDriver driver([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
  QVERIFY(services_.openFiles(nullptr, "打开", kLogFilters, dir_->path()).isEmpty());
}

void QtUiServicesTest::saveDialogOffersTheFiltersInOrder() {
  QStringList filters;
  QString activeFilter;
  ModalDriver driver([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    QVERIFY(dialog);
    filters = dialog->nameFilters();
    activeFilter = dialog->selectedNameFilter();
    dialog->reject();
  });
  services_.saveFile(nullptr, "另存为", kSaveFilters, dir_->path());
  QCOMPARE(filters, kSaveFilters);
  QCOMPARE(activeFilter, kSaveFilters.first());
}

void QtUiServicesTest::saveDialogAddsNoExtension_data() {
  QTest::addColumn<QString>("filter");
  for (const QString& filter : kSaveFilters) QTest::newRow(filter.toUtf8()) << filter;
}

void QtUiServicesTest::saveDialogAddsNoExtension() {
  QFETCH(QString, filter);
  QString title, folder;
  ModalDriver driver([&](QWidget* modal) {
    title = modal->windowTitle();
    folder = qobject_cast<QFileDialog*>(modal)->directory().absolutePath();
    qobject_cast<QFileDialog*>(modal)->selectNameFilter(filter);
    typeIntoFileDialog(modal, dir_->path(), "report");
  });
  QCOMPARE(services_.saveFile(nullptr, "另存为", kSaveFilters, dir_->filePath("logs")),
           dir_->filePath("report"));
  QCOMPARE(title, QString("另存为"));
  QCOMPARE(folder, dir_->filePath("logs"));
}

void QtUiServicesTest::saveDialogTakesAnExistingFileWithoutAsking() {
  ModalDriver driver([&](QWidget* modal) { typeIntoFileDialog(modal, dir_->path(), "c.txt"); });
  QCOMPARE(services_.saveFile(nullptr, "另存为", kSaveFilters, dir_->path()),
           dir_->filePath("c.txt"));
  QVERIFY(!driver.sawExtraBox());
}

void QtUiServicesTest::cancelledSaveDialogGivesNothing() {
  ModalDriver driver([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
  QVERIFY(services_.saveFile(nullptr, "另存为", kSaveFilters, dir_->path()).isEmpty());
}

void QtUiServicesTest::webAddressGoesToTheDesktop() {
  UrlCatcher catcher;
  QDesktopServices::setUrlHandler("http", &catcher, "catchUrl");
  services_.openUrl(QUrl("http://www.veldtbyte.example/bbs/"));
  QDesktopServices::unsetUrlHandler("http");
  QCOMPARE(catcher.urls, QList<QUrl>({QUrl("http://www.veldtbyte.example/bbs/")}));
}

void QtUiServicesTest::standardButtonsSpeakChinese() {
  if (!crawlmeter::installQtChineseTranslation(*QCoreApplication::instance()))
    QSKIP("Qt's translations (qt6-translations-l10n) are not installed");
  QString okText;
  ModalDriver driver([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    QVERIFY(box);
    okText = box->button(QMessageBox::Ok)->text();
    box->accept();
  });
  services_.showMessage(nullptr, "成功导出文件到/tmp/r.txt");
  QCOMPARE(okText, QString("确定"));
  QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QString("取消"));
}

QTEST_MAIN(QtUiServicesTest)
#include "qt_ui_services_test.moc"
