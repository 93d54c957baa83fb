// What a screen reader is told of the windows: every control's name and description, read through
// Qt's accessibility interfaces as assistive technology reads them, and the report's announcement,
// heard as a screen reader's back end hears it.
#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleBridge>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QtPlugin>
#include <memory>

#include "app/form1.h"
#include "fake_ui_services.h"
#include "gui_test_support.h"
#include "help/form2.h"
#include "resources/product_info.h"

using namespace crawlmeter;

namespace {

struct Expected {
  const char* control;
  const char* name;
  const char* description;
};

const Expected kMainWindow[] = {
    {"Frame1", "日志文件与导出文件", "选择要统计的日志文件和导出结果的文件"},
    {"Frame2", "统计方式", "选择统计页面浏览量、来访IP还是蜘蛛来访"},
    {"Frame3", "蜘蛛", "选择统计哪一种蜘蛛的来访"},
    {"Command1", "导入日志文件", "打开文件对话框，选择要统计的日志文件，可多选"},
    {"Command2", "导出文件选择", "选择把统计结果导出到哪个文件"},
    {"Command3", "开始统计", "按所选的统计方式统计所选的日志文件，结果显示在统计结果框中"},
    {"Command4", "执行导出", "把统计结果框中的文字写入所选的导出文件"},
    {"Command5", "帮助", "打开帮助窗口"},
    {"Command12", "退出", "关闭主窗口和帮助窗口，退出程序"},
    {"Text1", "已选日志文件", "所选日志文件的路径或文件名，只读"},
    {"Text2", "导出文件", "统计结果导出到的文件的路径，也可以直接输入"},
    {"Text3", "统计结果", "统计报告：每个日志文件每小时的次数，可以编辑，导出时写入导出文件"},
    {"Option1", "来访PV统计", "统计每个日志文件每小时的页面浏览量（PV）"},
    {"Option2", "来访IP统计", "统计每个日志文件每小时来访的不同IP数"},
    {"Option3", "来访蜘蛛统计", "统计所选蜘蛛每小时的来访次数，蜘蛛在下方选择"},
    {"Option4", "搜狗", "统计搜狗蜘蛛每小时的来访次数"},
    {"Option5", "Bing", "统计Bing蜘蛛每小时的来访次数"},
    {"Option6", "百度", "统计百度蜘蛛每小时的来访次数"},
    {"Option7", "有道", "统计有道蜘蛛每小时的来访次数"},
    {"Option8", "雅虎", "统计雅虎蜘蛛每小时的来访次数"},
    {"Option9", "谷歌", "统计谷歌蜘蛛每小时的来访次数"},
};

const Expected kHelpWindow[] = {
    {"Label1", CRAWLMETER_MAKER_HOST, "点击在浏览器中打开Veldtbyte软件的论坛"},
    {"Label2", "Veldtbyte软件工作室", "点击在浏览器中打开Veldtbyte软件的论坛"},
    {"Text4", "帮助说明", "Crawlmeter的用法、联系方式和版本，只读"},
};

// The controls a user meets, by the object names the layout gives them; the scroll bars and
// viewports Qt adds inside them are parts of those controls.
QStringList controlsOf(const QWidget& window) {
  static const QRegularExpression kControlName("^(Command|Option|Text|Frame|Label)\\d+$");
  QStringList names;
  for (const QWidget* widget : window.findChildren<QWidget*>()) {
    if (kControlName.match(widget->objectName()).hasMatch()) names << widget->objectName();
  }
  names.sort();
  return names;
}

// The name and description as assistive technology reads them.
QString accessibleText(QWidget* control, QAccessible::Text which) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
  return accessible ? accessible->text(which) : QStringLiteral("<no interface>");
}

void checkControls(const QWidget& window, std::span<const Expected> table) {
  QStringList named;
  for (const Expected& row : table) {
    named << row.control;
    auto* control = window.findChild<QWidget*>(row.control);
    QVERIFY2(control, row.control);
    QCOMPARE(accessibleText(control, QAccessible::Name), QString::fromUtf8(row.name));
    QCOMPARE(accessibleText(control, QAccessible::Description), QString::fromUtf8(row.description));
    // A button is called by its caption, whatever the caption is.
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
      QCOMPARE(accessibleText(control, QAccessible::Name), button->text());
    }
  }
  named.sort();
  QCOMPARE(controlsOf(window), named);
}

struct TextReplacement {
  QObject* box;
  int position;
  QString removed;
  QString inserted;
};

// The replacements of a whole text the bridge heard. (Qt's own text control tells its changes only
// while accessibility is on, and then tells removed text as spaces, never as what was removed.)
QList<TextReplacement> replacements;

#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
// What the bridge heard announced, where Qt can announce.
QStringList announcements;
#endif

void record(QAccessibleEvent* event) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
  if (event->type() == QAccessible::Announcement) {
    announcements << static_cast<QAccessibleAnnouncementEvent*>(event)->message();
  }
#endif
  if (event->type() != QAccessible::TextUpdated) return;
  const auto* update = static_cast<QAccessibleTextUpdateEvent*>(event);
  replacements << TextReplacement{event->object(), update->changePosition(), update->textRemoved(),
                                  update->textInserted()};
}

const QByteArray kLog =
    "1.1.1.1 - - [25/Aug/2009:10:15:07 +0800] \"GET /\" 200 5 \"-\" \"Baiduspider\"\r\n"
    "2.2.2.2 - - [25/Aug/2009:11:16:00 +0800] \"GET /\" 200 5 \"-\" \"Googlebot\"\r\n";

}  // namespace

// A screen reader's back end as Qt loads one. The offscreen platform never turns accessibility on,
// and Qt consults an update handler only while it is on; but it hands every event to the bridges
// it loaded either way, as it hands them to the desktop's when a screen reader runs.
class ListeningBridge : public QAccessibleBridge {
 public:
  void setRootObject(QAccessibleInterface*) override {}
  void notifyAccessibilityUpdate(QAccessibleEvent* event) override { record(event); }
};

class ListeningBridgePlugin : public QAccessibleBridgePlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QAccessibleBridgeFactoryInterface_iid FILE "listening_bridge.json")

 public:
  QAccessibleBridge* create(const QString&) override { return new ListeningBridge; }
};

Q_IMPORT_PLUGIN(ListeningBridgePlugin)

class AccessibilityTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { QVERIFY(testing::showMainWindow(services_, form1_)); }
  void cleanup() {
    replacements.clear();
    if (form1_->helpWindow()) delete form1_->helpWindow();
    form1_.reset();
  }

  void everyControlOfTheMainWindowIsNamedAndDescribed() {
    // The crawler buttons are described while hidden, and stay so when shown.
    checkControls(*form1_, kMainWindow);
    testing::clickOption(form1_->crawlersButton());
    checkControls(*form1_, kMainWindow);
  }

  void everyControlOfTheHelpWindowIsNamedAndDescribed() {
    QTest::mouseClick(form1_->helpButton(), Qt::LeftButton);
    QVERIFY(form1_->helpWindow());
    checkControls(*form1_->helpWindow(), kHelpWindow);
  }

  void theResultBoxTellsEachReportOnceWritten() {
    replacements.clear();
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    announcements.clear();
#endif
    click(form1_->runButton());  // no files: a message, no report
    QCOMPARE(services_->messages.size(), 1);
    QVERIFY(replacements.isEmpty());

    services_->openFilesAnswer = {writeLog()};
    click(form1_->chooseLogsButton());
    QStringList reports;
    for (StatCategory kind : {StatCategory::Pv, StatCategory::Ip}) {
      testing::clickOption(form1_->kindButton(kind));
      click(form1_->runButton());
      reports << form1_->resultBox()->toPlainText();
    }
    QCOMPARE(services_->messages.size(), 1);
    QVERIFY(reports[0] != reports[1]);
    QCOMPARE(replacements.size(), 2);
    const QString before[] = {QString(), reports[0]};
    for (qsizetype i = 0; i < 2; ++i) {
      QCOMPARE(replacements[i].box, form1_->resultBox());
      QCOMPARE(replacements[i].position, 0);
      QCOMPARE(replacements[i].removed, before[i]);
      QCOMPARE(replacements[i].inserted, reports[i]);
    }
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QCOMPARE(announcements, QStringList(2, QStringLiteral("统计完成，结果显示在统计结果框中")));
#endif
  }

 private:
  static void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
  QString writeLog() {
    QFile log(dir_.filePath("a.log"));
    if (!log.open(QIODevice::WriteOnly) || log.write(kLog) != kLog.size()) return {};
    return log.fileName();
  }

  QTemporaryDir dir_;
  std::shared_ptr<FakeUiServices> services_;
  std::unique_ptr<Form1> form1_;
};

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
