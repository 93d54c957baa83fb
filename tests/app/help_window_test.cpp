// The help window opened from the main window: one instance, the full usage text, and the two
// labels that open the maker's forum.
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <memory>

#include "app/form1.h"
#include "fake_ui_services.h"
#include "gui_test_support.h"
#include "help/form2.h"

using crawlmeter::FakeUiServices;
using crawlmeter::Form1;
using crawlmeter::Form2;
using crawlmeter::testing::clickOption;
using crawlmeter::testing::visibleHelpWindows;

namespace {

const QUrl kForum("http://www.veldtbyte.example/bbs/");

// The usage text as the help window shows it: every line break of the text is CR LF, which the
// text box holds as a single line feed.
QString expectedHelpText() {
  const QString text = QString::fromUtf8(
      "1.点击“导入日志文件”，载入日志文件，支持多选；\r\n\r\n"
      "2.点击“导出文件选择”，选择存放导出结果的文件名；\r\n\r\n"
      "3.选择需要统计的次数类别后，点击“开始统计”，分析结果会显示在文本框中；\r\n\r\n"
      "4.点击“执行导出”，分析结果会写入第二个文本框设定的文件中；\r\n\r\n"
      "5.点击“帮助”，会显示帮助信息，点击“退出”，则退出Crawlmeter。\r\n\r\n"
      "6.QQ:100000001  E_Mail:support@veldtbyte.example\r\n\r\n\r\n"
      "                      版本1.0   更新时间2009-08-25");
  return QString(text).replace("\r\n", "\n");
}

}  // namespace

class HelpWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void helpButtonOpensTheHelpWindowWithTheFullText();
  void helpTextUsesFullWidthPunctuationAndCurlyQuotes();
  void pressingHelpAgainKeepsOneWindowInFront();
  void pressingHelpAgainRefillsTheText();
  void closedHelpWindowGivesWayToAFreshOne();
  void bothLabelsOpenTheForum();
  void otherClicksOpenNothing();
  void labelsNameTheMakerAndTellThatTheyCanBeClicked();
  void helpTextIsReadOnlyWrappedAndFocused();
  void mainWindowStaysUsableWhileHelpIsOpen();

 private:
  Form2* openHelp();

  std::shared_ptr<FakeUiServices> services_;
  std::unique_ptr<Form1> form_;
};

void HelpWindowTest::init() {
  services_ = std::make_shared<FakeUiServices>();
  form_ = std::make_unique<Form1>(services_);
  form_->show();
  QVERIFY(QTest::qWaitForWindowActive(form_.get()));
}

void HelpWindowTest::cleanup() {
  // The help window outlives the main window by design; the test removes it itself.
  delete form_->helpWindow();
  form_.reset();
  services_.reset();
}

Form2* HelpWindowTest::openHelp() {
  QTest::mouseClick(form_->helpButton(), Qt::LeftButton);
  Form2* help = form_->helpWindow();
  if (help && !QTest::qWaitForWindowActive(help)) return nullptr;
  return help;
}

void HelpWindowTest::helpButtonOpensTheHelpWindowWithTheFullText() {
  Form2* help = openHelp();
  QVERIFY(help);
  QVERIFY(help->isVisible());
  QCOMPARE(help->windowTitle(), QString("帮助_Crawlmeter1.0"));
  QCOMPARE(help->size(), QSize(434, 389));
  QCOMPARE(help->helpTextBox()->toPlainText(), expectedHelpText());
  // Independent of the main window: no owner, not modal, no icon of its own.
  QVERIFY(help->parentWidget() == nullptr);
  QCOMPARE(help->windowModality(), Qt::NonModal);
  QVERIFY(!help->testAttribute(Qt::WA_SetWindowIcon));
}

void HelpWindowTest::helpTextUsesFullWidthPunctuationAndCurlyQuotes() {
  const QString text = openHelp()->helpTextBox()->toPlainText();
  QCOMPARE(text.count(QChar(0x201C)), 6);
  QCOMPARE(text.count(QChar(0x201D)), 6);
  QCOMPARE(text.count(QChar(0xFF0C)), 9);
  QCOMPARE(text.count(QChar(0xFF1B)), 4);
  QCOMPARE(text.count(QChar(0x3002)), 1);
  QVERIFY(!text.contains(QChar('\r')));
  QVERIFY(!text.startsWith('\n') && !text.endsWith('\n'));
}

void HelpWindowTest::pressingHelpAgainKeepsOneWindowInFront() {
  Form2* first = openHelp();
  QVERIFY(first);
  form_->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(form_.get()));
  QCOMPARE(openHelp(), first);
  QCOMPARE(visibleHelpWindows().size(), 1);
  QCOMPARE(QApplication::activeWindow(), first);
  QCOMPARE(first->helpTextBox()->toPlainText(), expectedHelpText());
}

void HelpWindowTest::pressingHelpAgainRefillsTheText() {
  Form2* help = openHelp();
  help->helpTextBox()->setPlainText("stale");
  QCOMPARE(openHelp(), help);
  QCOMPARE(help->helpTextBox()->toPlainText(), expectedHelpText());
}

void HelpWindowTest::closedHelpWindowGivesWayToAFreshOne() {
  QPointer<Form2> first = openHelp();
  QVERIFY(first);
  first->close();
  QTRY_VERIFY(first.isNull());  // closing discards the window and its text
  QVERIFY(form_->helpWindow() == nullptr);

  Form2* second = openHelp();
  QVERIFY(second);
  QCOMPARE(visibleHelpWindows().size(), 1);
  QCOMPARE(second->helpTextBox()->toPlainText(), expectedHelpText());
}

void HelpWindowTest::bothLabelsOpenTheForum() {
  Form2* help = openHelp();
  QTest::mouseClick(help->addressLabel(), Qt::LeftButton);
  QCOMPARE(services_->openedUrls, QList<QUrl>({kForum}));
  QTest::mouseClick(help->studioNameLabel(), Qt::LeftButton);
  QCOMPARE(services_->openedUrls, QList<QUrl>({kForum, kForum}));
  QVERIFY(help->isVisible());  // the help window stays open
}

void HelpWindowTest::otherClicksOpenNothing() {
  Form2* help = openHelp();
  QTest::mouseClick(help, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  QTest::mouseClick(help->helpTextBox()->viewport(), Qt::LeftButton);
  QTest::mouseClick(help->addressLabel(), Qt::RightButton);
  // Pressed on the label but let go elsewhere is no click.
  QTest::mousePress(help->studioNameLabel(), Qt::LeftButton);
  QTest::mouseRelease(help->studioNameLabel(), Qt::LeftButton, Qt::NoModifier, QPoint(-20, -20));
  QVERIFY(services_->openedUrls.isEmpty());
}

void HelpWindowTest::labelsNameTheMakerAndTellThatTheyCanBeClicked() {
  Form2* help = openHelp();
  QCOMPARE(help->addressLabel()->text(), QString("www.veldtbyte.example"));
  QCOMPARE(help->studioNameLabel()->text(), QString("Veldtbyte软件工作室"));
  for (QLabel* label : {help->addressLabel(), help->studioNameLabel()}) {
    QCOMPARE(label->toolTip(), QString("点击进入Veldtbyte软件"));
    QCOMPARE(label->focusPolicy(), Qt::NoFocus);
    QVERIFY(label->alignment() & Qt::AlignHCenter);
    QVERIFY(!label->font().underline());
  }
  // Asked for by name; the font system stands in where the platform lacks them.
  QCOMPARE(help->addressLabel()->font().family(), QString("Verdana"));
  QVERIFY(help->addressLabel()->font().pointSizeF() <= 15.75);
  QCOMPARE(help->studioNameLabel()->font().family(), QString("仿宋_GB2312"));
  QVERIFY(help->studioNameLabel()->font().pointSizeF() <= 15.0);
  // The whole name shows: a label's font steps down rather than cut it off.
  for (QLabel* label : {help->addressLabel(), help->studioNameLabel()}) {
    QVERIFY(QFontMetrics(label->font()).horizontalAdvance(label->text()) <= label->width());
  }
}

void HelpWindowTest::helpTextIsReadOnlyWrappedAndFocused() {
  Form2* help = openHelp();
  QTextEdit* box = help->helpTextBox();
  QCOMPARE(QApplication::focusWidget(), box);
  QTest::keyClicks(box, "xyz");
  QTest::keyClick(box, Qt::Key_Delete);
  QCOMPARE(box->toPlainText(), expectedHelpText());
  QCOMPARE(box->font().family(), QString("宋体"));
  QCOMPARE(box->font().pointSizeF(), 10.5);
  QVERIFY(!box->horizontalScrollBar()->isVisible());
  QVERIFY(!box->verticalScrollBar()->isVisible());
  // The third item is longer than the box is wide, so it wraps.
  QVERIFY(box->document()->findBlockByNumber(4).layout()->lineCount() > 1);
  // Without scroll bars, the whole text, down to the version line, must be in view.
  QVERIFY(box->document()->size().height() <= box->viewport()->height());
}

void HelpWindowTest::mainWindowStaysUsableWhileHelpIsOpen() {
  QVERIFY(openHelp());
  QVERIFY(QApplication::activeModalWidget() == nullptr);
  clickOption(form_->crawlersButton());
  QVERIFY(form_->kindButton(crawlmeter::StatCategory::Baidu)->isVisible());
}

QTEST_MAIN(HelpWindowTest)
#include "help_window_test.moc"
