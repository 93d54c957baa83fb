// The main window as the user meets it: start-up state, the two groups of statistics choices,
// the crawler choices shown only for crawler statistics, keyboard order, and the text boxes.
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <memory>

#include "app/form1.h"
#include "fake_ui_services.h"
#include "gui_test_support.h"

using crawlmeter::FakeUiServices;
using crawlmeter::Form1;
using crawlmeter::StatCategory;
using crawlmeter::testing::clickOption;
using crawlmeter::testing::tabWalk;

class Form1Test : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void controlsKeepTheirObjectNamesAndCaptions();
  void opensWithPageViewsSelectedAndCrawlerChoicesHidden();
  void crawlerStatisticsShowsTheChoicesWithBaiduSelected();
  void otherKindsHideTheChoicesAndKeepTheirSelection_data();
  void otherKindsHideTheChoicesAndKeepTheirSelection();
  void theTwoGroupsAreIndependent();
  void kindChoicesStandInTheirFrame();
  void arrowKeysMoveTheSelectionWithinAGroup();
  void tabVisitsTheControlsInOrder_data();
  void tabVisitsTheControlsInOrder();
  void shiftTabWalksBackwards();
  void onlyTheExportAndResultBoxesTakeTyping();
  void resultBoxScrollsLongLinesInsteadOfBreakingThem();
  void resultBoxUsesTheMonospacedChineseFont();
  void enterAndEscapePressNoButton();
  void controlsShowNoToolTips();
  void blueLineRunsAlongTheTopEdge();
  void framesLieBeneathTheControlsOverThem();
  void controlsKeepTheirPlaceWhenTheWindowGrows();
  void windowIconIsThe256ColourPicture();

 private:
  void showActive();
  QRadioButton* kind(StatCategory kind) const { return form_->kindButton(kind); }
  // The buttons of the crawler kinds, which show only for crawler statistics.
  QList<QRadioButton*> crawlerButtons() const;

  std::shared_ptr<FakeUiServices> services_;
  std::unique_ptr<Form1> form_;
};

void Form1Test::init() {
  services_ = std::make_shared<FakeUiServices>();
  form_ = std::make_unique<Form1>(services_);
}

void Form1Test::cleanup() {
  form_.reset();
  services_.reset();
}

void Form1Test::showActive() {
  form_->show();
  QVERIFY(QTest::qWaitForWindowActive(form_.get()));
}

QList<QRadioButton*> Form1Test::crawlerButtons() const {
  QList<QRadioButton*> buttons;
  for (StatCategory crawler : crawlmeter::kCrawlerKinds) buttons << kind(crawler);
  return buttons;
}

// Each control found by its role is the one of the designed object name and caption, which the
// tab order, accessibility and the user's view depend on.
void Form1Test::controlsKeepTheirObjectNamesAndCaptions() {
  struct Expected {
    QWidget* control;
    const char* objectName;
    const char* caption;  // null for controls without one
  };
  const Expected expected[] = {
      {form_->chooseLogsButton(), "Command1", "导入日志文件"},
      {form_->chooseExportButton(), "Command2", "导出文件选择"},
      {form_->runButton(), "Command3", "开始统计"},
      {form_->exportButton(), "Command4", "执行导出"},
      {form_->helpButton(), "Command5", "帮助"},
      {form_->quitButton(), "Command12", "退出"},
      {kind(StatCategory::Pv), "Option1", "来访PV统计"},
      {kind(StatCategory::Ip), "Option2", "来访IP统计"},
      {form_->crawlersButton(), "Option3", "来访蜘蛛统计"},
      {kind(StatCategory::Sogou), "Option4", "搜狗"},
      {kind(StatCategory::Bing), "Option5", "Bing"},
      {kind(StatCategory::Baidu), "Option6", "百度"},
      {kind(StatCategory::Youdao), "Option7", "有道"},
      {kind(StatCategory::Yahoo), "Option8", "雅虎"},
      {kind(StatCategory::Google), "Option9", "谷歌"},
      {form_->filesFrame(), "Frame1", nullptr},
      {form_->kindFrame(), "Frame2", nullptr},
      {form_->crawlerFrame(), "Frame3", nullptr},
      {form_->logFilesBox(), "Text1", nullptr},
      {form_->exportTargetBox(), "Text2", nullptr},
      {form_->resultBox(), "Text3", nullptr},
      {form_->topLine(), "Line2", nullptr},
  };
  for (const Expected& row : expected) {
    QVERIFY(row.control);
    QCOMPARE(row.control->objectName(), QString(row.objectName));
    if (!row.caption) continue;
    auto* button = qobject_cast<QAbstractButton*>(row.control);
    QVERIFY(button);
    QCOMPARE(button->text(), QString::fromUtf8(row.caption));
  }
}

void Form1Test::opensWithPageViewsSelectedAndCrawlerChoicesHidden() {
  showActive();
  QCOMPARE(form_->windowTitle(), QString("Crawlmeter1.0_Veldtbyte软件工作室"));
  QCOMPARE(form_->size(), QSize(611, 671));
  QVERIFY(kind(StatCategory::Pv)->isChecked());
  QVERIFY(!kind(StatCategory::Ip)->isChecked());
  QVERIFY(!form_->crawlersButton()->isChecked());
  // Baidu is already the crawler choice, though nobody sees it yet.
  QVERIFY(kind(StatCategory::Baidu)->isChecked());
  for (QRadioButton* crawler : crawlerButtons()) QVERIFY(!crawler->isVisible());
  QVERIFY(!form_->crawlerFrame()->isVisible());
  for (QRadioButton* choice :
       {kind(StatCategory::Pv), kind(StatCategory::Ip), form_->crawlersButton()}) {
    QVERIFY(choice->isVisible());
  }
  QVERIFY(form_->logFilesBox()->text().isEmpty());
  QVERIFY(form_->exportTargetBox()->text().isEmpty());
  QVERIFY(form_->resultBox()->toPlainText().isEmpty());
  QCOMPARE(QApplication::focusWidget(), form_->chooseLogsButton());
  QVERIFY(form_->helpWindow() == nullptr);
}

void Form1Test::crawlerStatisticsShowsTheChoicesWithBaiduSelected() {
  showActive();
  clickOption(form_->crawlersButton());
  QVERIFY(form_->crawlersButton()->isChecked());
  for (QRadioButton* crawler : crawlerButtons()) QVERIFY(crawler->isVisible());
  QVERIFY(form_->crawlerFrame()->isVisible());
  QVERIFY(kind(StatCategory::Baidu)->isChecked());
}

void Form1Test::otherKindsHideTheChoicesAndKeepTheirSelection_data() {
  QTest::addColumn<StatCategory>("other");
  QTest::newRow("page views") << StatCategory::Pv;
  QTest::newRow("visiting IPs") << StatCategory::Ip;
}

void Form1Test::otherKindsHideTheChoicesAndKeepTheirSelection() {
  QFETCH(StatCategory, other);
  showActive();
  clickOption(form_->crawlersButton());
  clickOption(kind(StatCategory::Yahoo));
  clickOption(kind(other));
  for (QRadioButton* crawler : crawlerButtons()) QVERIFY(!crawler->isVisible());
  QVERIFY(!form_->crawlerFrame()->isVisible());
  QVERIFY(kind(StatCategory::Yahoo)->isChecked());
  QVERIFY(!kind(StatCategory::Baidu)->isChecked());

  clickOption(form_->crawlersButton());
  for (QRadioButton* crawler : crawlerButtons()) QVERIFY(crawler->isVisible());
  QVERIFY(kind(StatCategory::Yahoo)->isChecked());
}

void Form1Test::theTwoGroupsAreIndependent() {
  showActive();
  clickOption(kind(StatCategory::Ip));
  QVERIFY(kind(StatCategory::Ip)->isChecked());
  QVERIFY(!kind(StatCategory::Pv)->isChecked());
  QVERIFY(kind(StatCategory::Baidu)->isChecked());

  clickOption(form_->crawlersButton());
  for (QRadioButton* crawler : crawlerButtons()) {
    clickOption(crawler);
    for (QRadioButton* other : crawlerButtons()) QCOMPARE(other->isChecked(), other == crawler);
    QVERIFY(form_->crawlersButton()->isChecked());
    QVERIFY(!kind(StatCategory::Pv)->isChecked() && !kind(StatCategory::Ip)->isChecked());
  }
}

void Form1Test::kindChoicesStandInTheirFrame() {
  // Placed in the frame, they stand at Left 480, 2040 and 3480 twips, Top 2520, in the window.
  const QList<QPair<QRadioButton*, QPoint>> expected = {
      {kind(StatCategory::Pv), {32, 168}},
      {kind(StatCategory::Ip), {136, 168}},
      {form_->crawlersButton(), {232, 168}},
  };
  for (const auto& [choice, place] : expected) {
    QCOMPARE(choice->parentWidget(), form_->kindFrame());
    QCOMPARE(choice->mapTo(form_.get(), QPoint(0, 0)), place);
  }
  // The crawler choices lie on the window itself, so hiding their frame alone would not hide them.
  for (QRadioButton* crawler : crawlerButtons()) QCOMPARE(crawler->parentWidget(), form_.get());
}

void Form1Test::arrowKeysMoveTheSelectionWithinAGroup() {
  showActive();
  QRadioButton* pageViews = kind(StatCategory::Pv);
  QRadioButton* addresses = kind(StatCategory::Ip);
  QRadioButton* baidu = kind(StatCategory::Baidu);
  pageViews->setFocus();
  QTest::keyClick(pageViews, Qt::Key_Right);
  QVERIFY(addresses->isChecked());
  QCOMPARE(QApplication::focusWidget(), addresses);
  QTest::keyClick(addresses, Qt::Key_Right);
  QVERIFY(form_->crawlersButton()->isChecked());
  QVERIFY(baidu->isVisible());  // chosen by key, the crawler choices still appear

  baidu->setFocus();
  QTest::keyClick(baidu, Qt::Key_Right);
  QVERIFY(kind(StatCategory::Google)->isChecked());
  QVERIFY(form_->crawlersButton()->isChecked());
}

// The tab order is a matter of object names, so the option buttons are clicked by theirs too.
void Form1Test::tabVisitsTheControlsInOrder_data() {
  QTest::addColumn<QStringList>("clicks");
  QTest::addColumn<QStringList>("order");
  const QStringList head = {"Command1", "Command2", "Command5",  "Text1",
                            "Text2",    "Text3",    "Command12", "Command3"};
  QTest::newRow("at start") << QStringList{} << head + QStringList{"Option1", "Command4"};
  QTest::newRow("crawlers shown") << QStringList{"Option3"}
                                  << head + QStringList{"Option3", "Option6", "Command4"};
  QTest::newRow("Google chosen, then IPs")
      << QStringList{"Option3", "Option9", "Option2"} << head + QStringList{"Option2", "Command4"};
  QTest::newRow("Yahoo chosen, crawlers shown")
      << QStringList{"Option3", "Option8"} << head + QStringList{"Option3", "Option8", "Command4"};
}

void Form1Test::tabVisitsTheControlsInOrder() {
  QFETCH(QStringList, clicks);
  QFETCH(QStringList, order);
  showActive();
  for (const QString& name : clicks) {
    auto* option = form_->findChild<QRadioButton*>(name);
    QVERIFY(option);
    clickOption(option);
  }
  form_->chooseLogsButton()->setFocus();
  // Once round and back to the start.
  QCOMPARE(tabWalk(order.size()), order.mid(1) << order.first());
}

void Form1Test::shiftTabWalksBackwards() {
  showActive();
  QCOMPARE(tabWalk(3, true), QStringList({"Command4", "Option1", "Command3"}));
}

void Form1Test::onlyTheExportAndResultBoxesTakeTyping() {
  showActive();
  QTest::keyClicks(form_->logFilesBox(), "abc");
  QVERIFY(form_->logFilesBox()->text().isEmpty());
  QTest::keyClicks(form_->exportTargetBox(), "D:\\out\\r.txt");
  QCOMPARE(form_->exportTargetBox()->text(), QString("D:\\out\\r.txt"));
  QTest::keyClicks(form_->resultBox(), "note");
  QCOMPARE(form_->resultBox()->toPlainText(), QString("note"));
}

void Form1Test::resultBoxScrollsLongLinesInsteadOfBreakingThem() {
  showActive();
  const QString line(400, QChar('9'));
  form_->resultBox()->setPlainText(line);
  QCOMPARE(form_->resultBox()->document()->firstBlock().layout()->lineCount(), 1);
  QScrollBar* horizontal = form_->resultBox()->horizontalScrollBar();
  QVERIFY(horizontal->isVisible());
  QVERIFY(horizontal->maximum() > 0);
  QVERIFY(form_->resultBox()->verticalScrollBar()->isVisible());
}

void Form1Test::resultBoxUsesTheMonospacedChineseFont() {
  // Installed with the program's dependencies: the report's columns need its Chinese glyphs.
  QCOMPARE(QFontInfo(form_->resultBox()->font()).family(), QString("Noto Sans Mono CJK SC"));
  // Every Latin character one cell wide, every Chinese one exactly two.
  const QFontMetrics metrics(form_->resultBox()->font());
  const int cell = metrics.horizontalAdvance('9');
  for (QChar latin : QString("iW .:/")) QCOMPARE(metrics.horizontalAdvance(latin), cell);
  QCOMPARE(metrics.horizontalAdvance("百度蜘蛛"), 8 * cell);
}

void Form1Test::enterAndEscapePressNoButton() {
  showActive();
  for (QWidget* target : QList<QWidget*>{form_->exportTargetBox(), form_->chooseLogsButton()}) {
    target->setFocus();
    QTest::keyClick(target, Qt::Key_Return);
    QTest::keyClick(target, Qt::Key_Escape);
  }
  for (QPushButton* button : form_->findChildren<QPushButton*>()) {
    QVERIFY(!button->isDefault());
    QVERIFY(!button->autoDefault());
  }
  QVERIFY(form_->isVisible());
  QVERIFY(form_->helpWindow() == nullptr);
  QVERIFY(services_->openFilesCalls.isEmpty() && services_->saveFileCalls.isEmpty());
}

void Form1Test::controlsShowNoToolTips() {
  for (QWidget* child : form_->findChildren<QWidget*>()) QVERIFY(child->toolTip().isEmpty());
}

void Form1Test::blueLineRunsAlongTheTopEdge() {
  showActive();
  const QImage picture = form_->grab().toImage();
  const QColor blue(0, 0, 255);
  for (int x : {0, 1, 300, 567}) QCOMPARE(picture.pixelColor(x, 0), blue);
  QVERIFY(picture.pixelColor(568, 0) != blue);
  QVERIFY(picture.pixelColor(300, 1) != blue);
  QVERIFY(picture.pixelColor(0, 300) != blue);
}

void Form1Test::framesLieBeneathTheControlsOverThem() {
  showActive();
  const QList<QWidget*> fileRow = {form_->chooseLogsButton(), form_->logFilesBox(),
                                   form_->chooseExportButton(), form_->exportTargetBox()};
  for (QWidget* control : fileRow) {
    QCOMPARE(form_->childAt(control->geometry().center()), control);
  }
  clickOption(form_->crawlersButton());
  for (QRadioButton* crawler : crawlerButtons()) {
    QCOMPARE(form_->childAt(crawler->geometry().center()), crawler);
  }
  for (QGroupBox* frame : {form_->filesFrame(), form_->kindFrame(), form_->crawlerFrame()}) {
    QVERIFY(frame->title().isEmpty());
  }
}

void Form1Test::controlsKeepTheirPlaceWhenTheWindowGrows() {
  showActive();
  const QRect before = form_->resultBox()->geometry();
  form_->resize(1000, 900);
  QTRY_COMPARE(form_->size(), QSize(1000, 900));
  QCOMPARE(form_->resultBox()->geometry(), before);
}

void Form1Test::windowIconIsThe256ColourPicture() {
  QVERIFY(form_->windowIcon().availableSizes().contains(QSize(128, 128)));
  const QImage picture(":/icons/crawlmeter.png");
  QCOMPARE(picture.size(), QSize(128, 128));
  QCOMPARE(picture.format(), QImage::Format_Indexed8);
  QCOMPARE(picture.colorCount(), 256);
}

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
