// The export of a run's results as the HTML page, CSV and JSON through the real main window: the
// files are those crawlmeter-report writes for the same logs and the same user's catalogue, the
// text export stays as it was, and failures change nothing.
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "app/form1.h"
#include "base/chinese_wording.h"
#include "catalogue/crawler_catalogue.h"
#include "command_runner.h"
#include "export/export_results.h"
#include "fake_ui_services.h"
#include "gui_test_support.h"
#include "request_logs.h"
#include "run/export_file.h"
#include "run/report.h"
#include "temp_folder.h"

using namespace crawlmeter;
using crawlmeter::testing::TempFolder;

namespace {

// A user's crawler that claims most browsers' requests, among the crawlers the page draws apart:
// only a run that reads the user's file counts it.
constexpr char kUserCatalogue[] = "Foxes\tmonitor\tSafari/\n";

std::string withCrLf(const std::string& text) {
  std::string crlf;
  for (const char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return crlf;
}

// The page says when it was made, to the minute: two pages made apart may differ only there.
// Every other byte is kept as it is (Latin-1 holds any byte).
QByteArray withoutTimeMade(const QByteArray& page) {
  static const QRegularExpression time(R"(\d{4}-\d\d-\d\d \d\d:\d\d)");
  return QString::fromLatin1(page).replace(time, "TIME").toLatin1();
}

QByteArray fileBytes(const std::string& path) {
  return QByteArray::fromStdString(testing::readFile(path));
}

}  // namespace

class ExportFormatsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    folder_ = std::make_unique<TempFolder>();
    // The window finds the user's files where the command run by the tests does.
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(folder_->pathOf("config")));
    QVERIFY(QDir().mkpath(QString::fromStdString(folder_->pathOf("config/crawlmeter"))));
    folder_->write("config/crawlmeter/crawlers.tsv", kUserCatalogue);
    logs_ = {folder_->write("a.log", withCrLf(renderCombined(testing::generatedRequests(900, 3)))),
             folder_->write("b.log", withCrLf(renderCombined(testing::generatedRequests(700, 5))))};
    QVERIFY(testing::showMainWindow(services_, form1_));
  }
  void cleanup() {
    form1_.reset();
    folder_.reset();
  }

  void exportsWriteWhatTheCommandWrites_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("options");
    QTest::newRow("html") << "r.html" << QStringList({"--html"});
    QTest::newRow("CSV") << "r.CSV"
                         << QStringList({"--format", "csv", "--kind", "all", "--output"});
    QTest::newRow("json") << "r.Json"
                          << QStringList({"--format", "json", "--kind", "all", "--output"});
  }
  void exportsWriteWhatTheCommandWrites() {
    QFETCH(QString, name);
    QFETCH(QStringList, options);
    runOverTheLogs(StatCategory::Pv);
    const QString report = form1_->resultBox()->toPlainText();
    const std::string target = folder_->pathOf(name.toStdString());
    exportTo(target);
    QCOMPARE(messages(), QStringList({"成功导出文件到" + QString::fromStdString(target)}));
    std::vector<std::string> arguments;
    for (const QString& option : options) arguments.push_back(option.toStdString());
    const std::string expected = folder_->pathOf("command." + name.toStdString());
    arguments.push_back(expected);
    arguments.insert(arguments.end(), logs_.begin(), logs_.end());
    const testing::Outcome outcome = testing::runCommand(*folder_, arguments);
    QCOMPARE(outcome.status, 0);
    QVERIFY(fileBytes(expected).contains("Foxes"));
    QCOMPARE(withoutTimeMade(fileBytes(target)), withoutTimeMade(fileBytes(expected)));
    QCOMPARE(form1_->resultBox()->toPlainText(), report);
  }

  // The run behind the report counts no crawler catalogue; the first export that shows the
  // crawlers counts the files again with it, and the text export is what it always was.
  void theCatalogueIsCountedForTheExportsThatShowIt() {
    runOverTheLogs(StatCategory::Baidu);
    QVERIFY(form1_->tables()->crawlerCounts.empty());
    const std::string text = folder_->pathOf("r.txt");
    const std::string before = *exportFileBytes(form1_->resultBox()->toPlainText().toStdString());
    exportTo(text);
    QCOMPARE(fileBytes(text), QByteArray::fromStdString(before));
    QVERIFY(form1_->tables()->crawlerCounts.empty());
    exportTo(folder_->pathOf("r.csv"));
    QVERIFY(!form1_->tables()->crawlerCounts.empty());
    QVERIFY(form1_->tables()->claims.front().verified.empty());
    exportTo(folder_->pathOf("r.html"));
    QVERIFY(!form1_->tables()->claims.front().verified.empty());
    // What was counted is kept: the exports after it read no log.
    QVERIFY(QFile::remove(QString::fromStdString(logs_.back())));
    exportTo(folder_->pathOf("r.json"));
    exportTo(folder_->pathOf("r.html"));
    exportTo(text);
    QCOMPARE(fileBytes(text), QByteArray::fromStdString(before));
    QCOMPARE(form1_->resultBox()->toPlainText(),
             QString::fromStdString(reportText(*form1_->tables(), StatCategory::Baidu, "\n")));
    QCOMPARE(messages().size(), 6);
    QVERIFY(messages().filter("成功导出文件到").size() == 6);
  }

  void failuresAreToldAndWriteNothing() {
    exportTo(folder_->pathOf("early.json"));
    QCOMPARE(messages(), QStringList({noRunToExportMessage()}));
    QVERIFY(!messages().front().startsWith("Nothing"));  // the window speaks Chinese
    runOverTheLogs(StatCategory::Pv);
    const std::string userFile =
        folder_->write("config/crawlmeter/crawlers.tsv", "Broken line without tabs\n");
    exportTo(folder_->pathOf("r.html"));
    CrawlerCatalogue wrong;
    const Error error = wrong.addFile(userFile);
    QVERIFY(error.failed());
    QCOMPARE(messages().last(),
             QString::fromStdString(catalogueErrorMessage(error, ChineseWording())));
    QVERIFY(form1_->tables()->crawlerCounts.empty());
    folder_->write("config/crawlmeter/crawlers.tsv", kUserCatalogue);
    QVERIFY(QDir().mkdir(QString::fromStdString(folder_->pathOf("folder.csv"))));
    exportTo(folder_->pathOf("folder.csv"));
    QCOMPARE(messages().last(),
             QString::fromStdString("导出文件失败：" + folder_->pathOf("folder.csv") +
                                    "\nIs a directory"));
    QCOMPARE(folder_->entryCount(), 4);  // the logs, config and folder.csv
  }

 private:
  void runOverTheLogs(StatCategory kind) {
    services_->openFilesAnswer.clear();
    for (const std::string& log : logs_) services_->openFilesAnswer << QString::fromStdString(log);
    QTest::mouseClick(form1_->chooseLogsButton(), Qt::LeftButton);
    if (isCrawlerKind(kindRow(kind))) testing::clickOption(form1_->crawlersButton());
    testing::clickOption(form1_->kindButton(kind));
    QTest::mouseClick(form1_->runButton(), Qt::LeftButton);
    QVERIFY(form1_->tables());
  }
  void exportTo(const std::string& target) {
    services_->saveFileAnswer = QString::fromStdString(target);
    QTest::mouseClick(form1_->chooseExportButton(), Qt::LeftButton);
    QCOMPARE(form1_->exportTargetBox()->text(), QString::fromStdString(target));
    QTest::mouseClick(form1_->exportButton(), Qt::LeftButton);
  }
  QStringList messages() const {
    QStringList texts;
    for (const auto& call : services_->messages) texts << call.text;
    return texts;
  }

  std::unique_ptr<TempFolder> folder_;
  std::vector<std::string> logs_;
  std::shared_ptr<FakeUiServices> services_;
  std::unique_ptr<Form1> form1_;
};

QTEST_MAIN(ExportFormatsTest)
#include "export_formats_test.moc"
