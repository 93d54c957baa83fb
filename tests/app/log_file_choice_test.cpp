// The log file choice from the dialog's answer: what the window's list of log files and its box
// get, with either separator a platform uses, and what the dialog's list of paths stands for.
#include <QTest>

#include "log_input/log_file_choice.h"

using namespace crawlmeter;

class LogFileChoiceTest : public QObject {
  Q_OBJECT

 private slots:
  void severalFilesGiveFullPathsAndBareNames() {
    const QString fileName = QStringLiteral("D:\\logs") + QChar(0) + "a.log" + QChar(0) + "b.log";
    const std::optional<LogFileChoice> choice = logFileChoice(fileName, QLatin1Char('\\'));
    QVERIFY(choice);
    QCOMPARE(choice->logFiles, QStringList({"D:\\logs", "D:\\logs\\a.log", "D:\\logs\\b.log"}));
    QCOMPARE(choice->display, QString("a.log;b.log;"));
  }

  void aRootFolderIsJoinedAsItIs() {
    const QString fileName = QStringLiteral("C:\\") + QChar(0) + "a.log" + QChar(0) + "b.log";
    QCOMPARE(logFileChoice(fileName, QLatin1Char('\\'))->logFiles.mid(1),
             QStringList({"C:\\\\a.log", "C:\\\\b.log"}));
  }

  void oneFileKeepsItsFullPathEverywhere() {
    const std::optional<LogFileChoice> choice = logFileChoice("/var/log/a.log", QLatin1Char('/'));
    QCOMPARE(choice->logFiles, QStringList({"", "/var/log/a.log"}));
    QCOMPARE(choice->display, QString("/var/log/a.log"));
    QVERIFY(!logFileChoice("", QLatin1Char('/')));
  }

  void filesFromSeveralFoldersKeepTheirOwnPaths() {
    const std::optional<LogFileChoice> choice =
        logFileChoiceOf({"/var/log/a/access.log", "/var/log/b/access.log"});
    QCOMPARE(choice->logFiles.mid(1),
             QStringList({"/var/log/a/access.log", "/var/log/b/access.log"}));
    QCOMPARE(choice->display, QString("access.log;access.log;"));
    QCOMPARE(logFileChoiceOf({"/logs/a.log", "/logs/b.log"})->logFiles,
             QStringList({"/logs", "/logs/a.log", "/logs/b.log"}));
    QVERIFY(!logFileChoiceOf({}));
  }

  void theDialogsPathsBecomeOneFileName() {
    QCOMPARE(dialogFileName({}), QString());
    QCOMPARE(dialogFileName({"/var/log/a.log"}), QString("/var/log/a.log"));
    QCOMPARE(dialogFileName({"/var/log/b.log", "/var/log/a.log"}),
             QStringLiteral("/var/log") + QChar(0) + "b.log" + QChar(0) + "a.log");
    QCOMPARE(dialogFileName({"/a.log", "/b.log"}),
             QStringLiteral("/") + QChar(0) + "a.log" + QChar(0) + "b.log");
  }
};

QTEST_MAIN(LogFileChoiceTest)
#include "log_file_choice_test.moc"
