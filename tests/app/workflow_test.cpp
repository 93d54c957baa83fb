// The main workflow driven through the real main window with real clicks: choose log files, pick
// a kind, run, export. Dialogs and message boxes are answered by a fake, except in the last test,
// which goes through Qt's own file dialog and message box.
#include <QButtonGroup>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <utility>

#include "app/form1.h"
#include "fake_ui_services.h"
#include "gui_test_support.h"
#include "modal_driver.h"
#include "request_logs.h"
#include "run/export_file.h"
#include "run/report.h"
#include "run/statistics_run.h"
#include "ui/qt_ui_services.h"

using namespace crawlmeter;

namespace {

const QByteArray kLfLog =
    "1.1.1.1 - - [25/Aug/2009:10:15:07 +0800] \"GET /\" 200 5 \"-\" \"Baiduspider\"\n"
    "2.2.2.2 - - [25/Aug/2009:10:16:00 +0800] \"GET /\" 200 5 \"-\" \"Googlebot\"\n"
    "1.1.1.1 - - [25/Aug/2009:11:00:00 +0800] \"GET /\" 200 5 \"-\" \"Yahoo! Slurp\"\n";
const QByteArray kCrLfLog =
    "3.3.3.3 - - [26/Aug/2009:23:00:00 +0800] \"GET /\" \"Sogou web spider\"\r\n"
    "3.3.3.3 - - [26/Aug/2009:23:10:00 +0800] \"GET /\" \"YoudaoBot msnbot\"\r\n";

QByteArray readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
  QFile file(dir.filePath(name));
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return {};
  return file.fileName();
}

}  // namespace

class WorkflowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    QVERIFY(testing::showMainWindow(services_, form1_));
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir().isValid());
  }
  void cleanup() { form1_.reset(); }

  void choosingSeveralFilesKeepsFullPathsAndShowsBareNames() {
    services_->openFilesAnswer = {"/logs/a.log", "/logs/b.log"};
    click(form1_->chooseLogsButton());
    QCOMPARE(services_->openFilesCalls.size(), 1);
    QCOMPARE(services_->openFilesCalls[0].title, QString("打开"));
    QCOMPARE(services_->openFilesCalls[0].filters,
             QStringList({"Log Files (*.log)", "Text Files (*.txt)",
                          "压缩日志 (*.gz *.bz2 *.xz *.zst)", "所有文件 (*)"}));
    QCOMPARE(form1_->logFiles(), QStringList({"/logs", "/logs/a.log", "/logs/b.log"}));
    QCOMPARE(form1_->logFilesBox()->text(), QString("a.log;b.log;"));

    services_->openFilesAnswer = {"/logs/c.log"};
    click(form1_->chooseLogsButton());
    QCOMPARE(form1_->logFiles(), QStringList({"", "/logs/c.log"}));
    QCOMPARE(form1_->logFilesBox()->text(), QString("/logs/c.log"));

    services_->openFilesAnswer = {};  // cancel keeps the choice
    click(form1_->chooseLogsButton());
    QCOMPARE(form1_->logFiles(), QStringList({"", "/logs/c.log"}));
    QCOMPARE(form1_->logFilesBox()->text(), QString("/logs/c.log"));

    services_->openFilesAnswer = {"/a.log", "/b.log"};  // nothing is removed from the folder
    click(form1_->chooseLogsButton());
    QCOMPARE(form1_->logFiles().mid(1), QStringList({"//a.log", "//b.log"}));
    QVERIFY(services_->messages.isEmpty());
  }

  void runTestsTheChoiceOfKindBeforeTheFiles() {
    form1_->kindButton(StatCategory::Baidu)->group()->setExclusive(false);
    form1_->kindButton(StatCategory::Baidu)->setChecked(false);
    clickOption(form1_->crawlersButton());
    click(form1_->runButton());
    QCOMPARE(messages(), QStringList({"请选择一种统计方式"}));

    clickOption(
        form1_->kindButton(StatCategory::Ip));  // the crawler choice does not matter for addresses
    click(form1_->runButton());
    QCOMPARE(messages().last(), QString("请选择日志文件"));

    form1_->kindButton(StatCategory::Pv)->group()->setExclusive(false);
    form1_->kindButton(StatCategory::Ip)->setChecked(false);
    form1_->kindButton(StatCategory::Baidu)->setChecked(true);
    click(form1_->runButton());
    QCOMPARE(messages().last(), QString("请选择一种统计方式"));
    QCOMPARE(messages().size(), 3);
    QVERIFY(!form1_->tables());
  }

  void runShowsTheReportOfEveryKindAndConvertsBareLfFiles() {
    const QString lf = writeFile(dir(), "a.log", kLfLog);
    const QString crlf = writeFile(dir(), "b.log", kCrLfLog);
    const RunResult expected =
        runStatistics(std::vector<std::string>{lf.toStdString(), crlf.toStdString()}, {});
    services_->openFilesAnswer = {lf, crlf};
    click(form1_->chooseLogsButton());
    for (const KindRow& row : kKindTable) {
      chooseKind(row.kind);
      click(form1_->runButton());
      QCOMPARE(form1_->resultBox()->toPlainText(),
               QString::fromStdString(reportText(expected.tables, row.kind, "\n")));
    }
    QVERIFY(services_->messages.isEmpty());
    QCOMPARE(form1_->tables()->dateLabels,
             (std::vector<std::string>{"25/Aug/2009", "26/Aug/2009"}));
    QCOMPARE(form1_->tables()->counts(StatCategory::Baidu).at(0, 10), 1);
    QCOMPARE(readAll(lf), QByteArray(kLfLog).replace("\n", "\r\n") + "\r\n");
    QCOMPARE(readAll(crlf), kCrLfLog);
  }

  // Each log is read in the format its first line tells, and only positional logs are converted.
  void logsOfOtherFormatsCountAsTheirRequestsAndStayAsTheyAre() {
    using namespace crawlmeter::testing;
    const std::vector<Request> requests = generatedRequests(600, 11);
    const QString combined = writeFile(dir(), "combined.log", renderCombined(requests).c_str());
    const RunResult expected = runStatistics(std::vector<std::string>{combined.toStdString()}, {});
    const QByteArray iis = QByteArray::fromStdString(renderIis(requests));
    const QByteArray caddy = QByteArray::fromStdString(renderCaddy(requests));
    services_->openFilesAnswer = {writeFile(dir(), "u_ex.log", iis),
                                  writeFile(dir(), "caddy.log", caddy)};
    click(form1_->chooseLogsButton());
    clickOption(form1_->crawlersButton());
    clickOption(form1_->kindButton(StatCategory::Google));
    click(form1_->runButton());
    QVERIFY(services_->messages.isEmpty());
    for (std::size_t file = 0; file < 2; ++file) {
      QCOMPARE(form1_->tables()->dateLabels[file], expected.tables.dateLabels[0]);
      for (int hour = 0; hour < kHourSlots; ++hour) {
        QCOMPARE(form1_->tables()->counts(StatCategory::Google).at(file, hour),
                 expected.tables.counts(StatCategory::Google).at(0, hour));
      }
    }
    QCOMPARE(readAll(dir().filePath("u_ex.log")), iis);
    QCOMPARE(readAll(dir().filePath("caddy.log")), caddy);
  }

  void exportWritesTheResultAsTheCommandDoes() {
    services_->openFilesAnswer = {writeFile(dir(), "a.log", kLfLog)};
    click(form1_->chooseLogsButton());
    clickOption(form1_->crawlersButton());
    clickOption(form1_->kindButton(StatCategory::Google));
    click(form1_->runButton());
    services_->saveFileAnswer = dir().filePath("r.txt");
    click(form1_->chooseExportButton());
    QCOMPARE(services_->saveFileCalls.size(), 1);
    QCOMPARE(services_->saveFileCalls[0].title, QString("另存为"));
    QCOMPARE(services_->saveFileCalls[0].filters,
             QStringList({"Text Files (*.txt)", "HTML 报告 (*.html)", "CSV 表格 (*.csv)",
                          "JSON 数据 (*.json)"}));
    QCOMPARE(form1_->exportTargetBox()->text(), dir().filePath("r.txt"));
    click(form1_->exportButton());
    QCOMPARE(messages(), QStringList({"成功导出文件到" + dir().filePath("r.txt")}));
    const std::string expected =
        *exportFileBytes(reportText(*form1_->tables(), StatCategory::Google, "\n"));
    QCOMPARE(readAll(dir().filePath("r.txt")), QByteArray::fromStdString(expected));
    QVERIFY(readAll(dir().filePath("r.txt"))
                .startsWith("\xD5\xFD\xD4\xDA\xCD\xB3\xBC\xC6\xB9\xC8\xB8\xE8"));
  }

  // A name is taken when a format's extension ends it or ".txt" occurs in it exactly so; a
  // refused or cancelled choice keeps the box as it was.
  void exportTargetMustNameAFormat_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("taken");
    const std::pair<const char*, bool> names[] = {
        {"/out/report.TXT", false}, {"/out/a.txt.bak", true}, {"/out/my.txtfiles/r.log", true},
        {"/out/report", false},     {"/out/r.HTML", true},    {"/out/r.Csv", true},
        {"/out/r.json", true},      {"/out/r.htm", false},    {"/out/r.json.bak", false},
        {"/out/html", false},
    };
    for (const auto& [name, taken] : names) QTest::newRow(name) << QString(name) << taken;
  }
  // Text keeps every name it ever took, whatever the name ends with.
  void exportFormatIsTextFirst() {
    const std::pair<const char*, std::optional<ExportFormat>> names[] = {
        {"/out/r.txt.html", ExportFormat::kText}, {"/out/my.txtfiles/r.csv", ExportFormat::kText},
        {"/out/r.HTML", ExportFormat::kHtml},     {"/out/r.Csv", ExportFormat::kCsv},
        {"/out/r.json", ExportFormat::kJson},     {"/out/r.json.bak", std::nullopt},
    };
    for (const auto& [name, format] : names) QCOMPARE(exportFormatOf(name), format);
  }
  void exportTargetMustNameAFormat() {
    QFETCH(QString, name);
    QFETCH(bool, taken);
    form1_->exportTargetBox()->setText("/out/before.txt");
    services_->saveFileAnswer = name;
    click(form1_->chooseExportButton());
    QCOMPARE(form1_->exportTargetBox()->text(), taken ? name : QString("/out/before.txt"));
    QCOMPARE(messages(), taken ? QStringList() : QStringList({"请选择txt格式文件"}));
    services_->saveFileAnswer = "";  // cancel
    click(form1_->chooseExportButton());
    QCOMPARE(form1_->exportTargetBox()->text(), taken ? name : QString("/out/before.txt"));
    QCOMPARE(messages().size(), taken ? 0 : 1);
  }

  void exportWritesWhatTheBoxHolds() {
    click(form1_->exportButton());
    QCOMPARE(messages(), QStringList({"请选择输出文件"}));
    const QString target = writeFile(dir(), "r.txt", "old content, longer than the new");
    QTest::keyClicks(form1_->exportTargetBox(), target);
    click(form1_->exportButton());  // an empty box
    QCOMPARE(readAll(target), QByteArray("\r\n"));
    form1_->resultBox()->setFocus();
    form1_->resultBox()->insertPlainText("日期");  // typed through an input method
    QTest::keyClick(form1_->resultBox(), Qt::Key_Return);
    QTest::keyClicks(form1_->resultBox(), "b");
    click(form1_->exportButton());
    QCOMPARE(readAll(target), QByteArray("\xC8\xD5\xC6\xDA\r\nb\r\n"));
    QCOMPARE(messages().last(), "成功导出文件到" + target);
  }

  void failuresTellTheUserAndChangeNothing() {
    const QString lf = writeFile(dir(), "a.log", kLfLog);
    services_->openFilesAnswer = {lf};
    click(form1_->chooseLogsButton());
    click(form1_->runButton());
    const QString report = form1_->resultBox()->toPlainText();
    const StatisticsTables tables = *form1_->tables();
    const QByteArray converted = readAll(lf);
    const QString other = writeFile(dir(), "other.log", kLfLog);
    services_->openFilesAnswer = {other, dir().filePath("missing.log")};
    click(form1_->chooseLogsButton());
    clickOption(form1_->kindButton(StatCategory::Ip));
    click(form1_->runButton());
    QCOMPARE(messages(), QStringList({"无法读取日志文件：" + dir().filePath("missing.log") +
                                      "\nNo such file or directory"}));
    QCOMPARE(form1_->resultBox()->toPlainText(), report);
    QVERIFY(*form1_->tables() == tables);
    QCOMPARE(readAll(other), kLfLog);
    QCOMPARE(readAll(lf), converted);

    QVERIFY(QDir(dir().path()).mkdir("folder.txt"));
    form1_->exportTargetBox()->setText(dir().filePath("folder.txt"));
    click(form1_->exportButton());
    QCOMPARE(messages().last(),
             "导出文件失败：" + dir().filePath("folder.txt") + "\nIs a directory");
    QVERIFY(QFileInfo(dir().filePath("folder.txt")).isDir());
    form1_->exportTargetBox()->setText(dir().filePath("no/such/r.txt"));
    click(form1_->exportButton());
    QVERIFY(messages().last().startsWith("导出文件失败：" + dir().filePath("no/such/r.txt")));
    QCOMPARE(QDir(dir().path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 3);
  }

  void realDialogsAndMessageBoxDoTheWorkflow() {
    form1_ =
        std::make_unique<Form1>(std::make_shared<QtUiServices>(QFileDialog::DontUseNativeDialog));
    form1_->show();
    const QString log = writeFile(dir(), "day.log", kCrLfLog);
    {
      testing::ModalDriver chooser(
          [&](QWidget* modal) { testing::typeIntoFileDialog(modal, dir().path(), "day.log"); });
      click(form1_->chooseLogsButton());
    }
    QCOMPARE(form1_->logFilesBox()->text(), log);
    click(form1_->runButton());
    QVERIFY(form1_->resultBox()->toPlainText().startsWith("正在统计PV次数..."));
    QString shown;
    testing::ModalDriver reader([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      QVERIFY(box);
      shown = box->text();
      QCOMPARE(box->windowTitle(), QString("Crawlmeter"));
      QCOMPARE(box->icon(), QMessageBox::NoIcon);
      QCOMPARE(box->buttons().size(), 1);
      QTest::mouseClick(box->buttons().front(), Qt::LeftButton);
    });
    click(form1_->exportButton());
    QCOMPARE(shown, QString("请选择输出文件"));
  }

 private:
  static void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
  static void clickOption(QRadioButton* option) { testing::clickOption(option); }
  // A crawler kind is chosen under the choice of crawler statistics.
  void chooseKind(StatCategory kind) {
    if (isCrawlerKind(kindRow(kind))) clickOption(form1_->crawlersButton());
    clickOption(form1_->kindButton(kind));
  }
  QStringList messages() const {
    QStringList texts;
    for (const auto& call : services_->messages) texts << call.text;
    return texts;
  }

  std::shared_ptr<FakeUiServices> services_;
  std::unique_ptr<Form1> form1_;
  const QTemporaryDir& dir() const { return *dir_; }
  std::unique_ptr<QTemporaryDir> dir_;
};

QTEST_MAIN(WorkflowTest)
#include "workflow_test.moc"
