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
using crawlmeter::testing::clickOption;
using crawlmeter::testing::tabWalk;

namespace {
const QList<int> kCrawlerOptions = {4, 5, 6, 7, 8, 9};
}

class Form1Test : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

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

void Form1Test::opensWithPageViewsSelectedAndCrawlerChoicesHidden() {
  showActive();
  QCOMPARE(form_->windowTitle(), QString("Crawlmeter1.0_Veldtbyte软件工作室"));
  QCOMPARE(form_->size(), QSize(611, 671));
  QVERIFY(form_->option(1)->isChecked());
  QVERIFY(!form_->option(2)->isChecked());
  QVERIFY(!form_->option(3)->isChecked());
  // Baidu is already the crawler choice, though nobody sees it yet.
  QVERIFY(form_->option(6)->isChecked());
  for (int number : kCrawlerOptions) QVERIFY(!form_->option(number)->isVisible());
  QVERIFY(!form_->frame(3)->isVisible());
  for (int number : {1, 2, 3}) QVERIFY(form_->option(number)->isVisible());
  QVERIFY(form_->text1()->text().isEmpty());
  QVERIFY(form_->text2()->text().isEmpty());
  QVERIFY(form_->text3()->toPlainText().isEmpty());
  QCOMPARE(QApplication::focusWidget(), form_->command(1));
  QVERIFY(form_->helpWindow() == nullptr);
}

void Form1Test::crawlerStatisticsShowsTheChoicesWithBaiduSelected() {
  showActive();
  clickOption(form_->option(3));
  QVERIFY(form_->option(3)->isChecked());
  for (int number : kCrawlerOptions) QVERIFY(form_->option(number)->isVisible());
  QVERIFY(form_->frame(3)->isVisible());
  QVERIFY(form_->option(6)->isChecked());
  QCOMPARE(form_->option(6)->text(), QString("百度"));
}

void Form1Test::otherKindsHideTheChoicesAndKeepTheirSelection_data() {
  QTest::addColumn<int>("kind");
  QTest::newRow("page views") << 1;
  QTest::newRow("visiting IPs") << 2;
}

void Form1Test::otherKindsHideTheChoicesAndKeepTheirSelection() {
  QFETCH(int, kind);
  showActive();
  clickOption(form_->option(3));
  clickOption(form_->option(8));
  clickOption(form_->option(kind));
  for (int number : kCrawlerOptions) QVERIFY(!form_->option(number)->isVisible());
  QVERIFY(!form_->frame(3)->isVisible());
  QVERIFY(form_->option(8)->isChecked());
  QVERIFY(!form_->option(6)->isChecked());

  clickOption(form_->option(3));
  for (int number : kCrawlerOptions) QVERIFY(form_->option(number)->isVisible());
  QVERIFY(form_->option(8)->isChecked());
}

void Form1Test::theTwoGroupsAreIndependent() {
  showActive();
  clickOption(form_->option(2));
  QVERIFY(form_->option(2)->isChecked());
  QVERIFY(!form_->option(1)->isChecked());
  QVERIFY(form_->option(6)->isChecked());

  clickOption(form_->option(3));
  for (int number : kCrawlerOptions) {
    clickOption(form_->option(number));
    for (int other : kCrawlerOptions) QCOMPARE(form_->option(other)->isChecked(), other == number);
    QVERIFY(form_->option(3)->isChecked());
    QVERIFY(!form_->option(1)->isChecked() && !form_->option(2)->isChecked());
  }
}

void Form1Test::kindChoicesStandInTheirFrame() {
  // Placed in the frame, they stand at Left 480, 2040 and 3480 twips, Top 2520, in the window.
  const QList<QPoint> expected = {{32, 168}, {136, 168}, {232, 168}};
  for (int number : {1, 2, 3}) {
    QRadioButton* option = form_->option(number);
    QCOMPARE(option->parentWidget(), form_->frame(2));
    QCOMPARE(option->mapTo(form_.get(), QPoint(0, 0)), expected[number - 1]);
  }
  // The crawler choices lie on the window itself, so hiding their frame alone would not hide them.
  for (int number : kCrawlerOptions) QCOMPARE(form_->option(number)->parentWidget(), form_.get());
}

void Form1Test::arrowKeysMoveTheSelectionWithinAGroup() {
  showActive();
  form_->option(1)->setFocus();
  QTest::keyClick(form_->option(1), Qt::Key_Right);
  QVERIFY(form_->option(2)->isChecked());
  QCOMPARE(QApplication::focusWidget(), form_->option(2));
  QTest::keyClick(form_->option(2), Qt::Key_Right);
  QVERIFY(form_->option(3)->isChecked());
  QVERIFY(form_->option(6)->isVisible());  // chosen by key, the crawler choices still appear

  form_->option(6)->setFocus();
  QTest::keyClick(form_->option(6), Qt::Key_Right);
  QVERIFY(form_->option(9)->isChecked());
  QVERIFY(form_->option(3)->isChecked());
}

void Form1Test::tabVisitsTheControlsInOrder_data() {
  QTest::addColumn<QList<int>>("clicks");
  QTest::addColumn<QStringList>("order");
  const QStringList head = {"Command1", "Command2", "Command5",  "Text1",
                            "Text2",    "Text3",    "Command12", "Command3"};
  QTest::newRow("at start") << QList<int>{} << head + QStringList{"Option1", "Command4"};
  QTest::newRow("crawlers shown") << QList<int>{3}
                                  << head + QStringList{"Option3", "Option6", "Command4"};
  QTest::newRow("Google chosen, then IPs")
      << QList<int>{3, 9, 2} << head + QStringList{"Option2", "Command4"};
  QTest::newRow("Yahoo chosen, crawlers shown")
      << QList<int>{3, 8} << head + QStringList{"Option3", "Option8", "Command4"};
}

void Form1Test::tabVisitsTheControlsInOrder() {
  QFETCH(QList<int>, clicks);
  QFETCH(QStringList, order);
  showActive();
  for (int number : clicks) clickOption(form_->option(number));
  form_->command(1)->setFocus();
  // Once round and back to the start.
  QCOMPARE(tabWalk(order.size()), order.mid(1) << order.first());
}

void Form1Test::shiftTabWalksBackwards() {
  showActive();
  QCOMPARE(tabWalk(3, true), QStringList({"Command4", "Option1", "Command3"}));
}

void Form1Test::onlyTheExportAndResultBoxesTakeTyping() {
  showActive();
  QTest::keyClicks(form_->text1(), "abc");
  QVERIFY(form_->text1()->text().isEmpty());
  QTest::keyClicks(form_->text2(), "D:\\out\\r.txt");
  QCOMPARE(form_->text2()->text(), QString("D:\\out\\r.txt"));
  QTest::keyClicks(form_->text3(), "note");
  QCOMPARE(form_->text3()->toPlainText(), QString("note"));
}

void Form1Test::resultBoxScrollsLongLinesInsteadOfBreakingThem() {
  showActive();
  const QString line(400, QChar('9'));
  form_->text3()->setPlainText(line);
  QCOMPARE(form_->text3()->document()->firstBlock().layout()->lineCount(), 1);
  QScrollBar* horizontal = form_->text3()->horizontalScrollBar();
  QVERIFY(horizontal->isVisible());
  QVERIFY(horizontal->maximum() > 0);
  QVERIFY(form_->text3()->verticalScrollBar()->isVisible());
}

void Form1Test::resultBoxUsesTheMonospacedChineseFont() {
  // Installed with the program's dependencies: the report's columns need its Chinese glyphs.
  QCOMPARE(QFontInfo(form_->text3()->font()).family(), QString("Noto Sans Mono CJK SC"));
  // Every Latin character one cell wide, every Chinese one exactly two.
  const QFontMetrics metrics(form_->text3()->font());
  const int cell = metrics.horizontalAdvance('9');
  for (QChar latin : QString("iW .:/")) QCOMPARE(metrics.horizontalAdvance(latin), cell);
  QCOMPARE(metrics.horizontalAdvance("百度蜘蛛"), 8 * cell);
}

void Form1Test::enterAndEscapePressNoButton() {
  showActive();
  for (QWidget* target : QList<QWidget*>{form_->text2(), form_->command(1)}) {
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
  const QList<QWidget*> fileRow = {form_->command(1), form_->text1(), form_->command(2),
                                   form_->text2()};
  for (QWidget* control : fileRow) {
    QCOMPARE(form_->childAt(control->geometry().center()), control);
  }
  clickOption(form_->option(3));
  for (int number : kCrawlerOptions) {
    QRadioButton* option = form_->option(number);
    QCOMPARE(form_->childAt(option->geometry().center()), option);
  }
  for (int number : {1, 2, 3}) QVERIFY(form_->frame(number)->title().isEmpty());
}

void Form1Test::controlsKeepTheirPlaceWhenTheWindowGrows() {
  showActive();
  const QRect before = form_->text3()->geometry();
  form_->resize(1000, 900);
  QTRY_COMPARE(form_->size(), QSize(1000, 900));
  QCOMPARE(form_->text3()->geometry(), before);
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
