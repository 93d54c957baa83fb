// How the program ends: the exit button closes both windows; closing only the main window
// leaves an open help window running until it is closed too. Each test runs the real event
// loop, which returns only when the program would end.
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "app/form1.h"
#include "fake_ui_services.h"
#include "gui_test_support.h"
#include "help/form2.h"

using crawlmeter::FakeUiServices;
using crawlmeter::Form1;
using crawlmeter::Form2;
using crawlmeter::testing::countVisibleWindows;
using crawlmeter::testing::programEndsAfter;
using crawlmeter::testing::visibleHelpWindows;

namespace {

// Counts every showing of any help window, however briefly it stays.
class HelpWindowShowCounter : public QObject {
 public:
  HelpWindowShowCounter() { qApp->installEventFilter(this); }
  ~HelpWindowShowCounter() override { qApp->removeEventFilter(this); }
  int count() const { return count_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && qobject_cast<Form2*>(watched)) ++count_;
    return false;
  }

 private:
  int count_ = 0;
};

}  // namespace

class WindowLifecycleTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void exitWithoutHelpWindowEndsTheProgram();
  void exitWithHelpWindowClosesBothAndEndsTheProgram();
  void closingOnlyTheMainWindowLeavesHelpRunning();
  void exitAfterHelpWasClosedEndsTheProgram();
  void programRunsWhileTheMainWindowIsOpen();

 private:
  void openHelp();

  std::shared_ptr<FakeUiServices> services_;
  std::unique_ptr<Form1> form_;
};

void WindowLifecycleTest::init() {
  services_ = std::make_shared<FakeUiServices>();
  form_ = std::make_unique<Form1>(services_);
  form_->show();
  QVERIFY(QTest::qWaitForWindowActive(form_.get()));
}

void WindowLifecycleTest::cleanup() {
  delete form_->helpWindow();
  form_.reset();
  services_.reset();
}

void WindowLifecycleTest::openHelp() {
  QTest::mouseClick(form_->helpButton(), Qt::LeftButton);
  QVERIFY(form_->helpWindow());
  QVERIFY(QTest::qWaitForWindowExposed(form_->helpWindow()));
}

void WindowLifecycleTest::exitWithoutHelpWindowEndsTheProgram() {
  const HelpWindowShowCounter helpShows;
  QVERIFY(programEndsAfter([this] { QTest::mouseClick(form_->quitButton(), Qt::LeftButton); }));
  QVERIFY(!form_->isVisible());
  QCOMPARE(countVisibleWindows(), 0);
  QCOMPARE(helpShows.count(), 0);
}

void WindowLifecycleTest::exitWithHelpWindowClosesBothAndEndsTheProgram() {
  openHelp();
  QPointer<Form2> help = form_->helpWindow();
  QVERIFY(programEndsAfter([this] { QTest::mouseClick(form_->quitButton(), Qt::LeftButton); }));
  QVERIFY(!form_->isVisible());
  QVERIFY(help.isNull() || !help->isVisible());
  QCOMPARE(countVisibleWindows(), 0);
}

void WindowLifecycleTest::closingOnlyTheMainWindowLeavesHelpRunning() {
  openHelp();
  QPointer<Form2> help = form_->helpWindow();
  bool helpWasUsable = false;
  const bool ended = programEndsAfter([&] {
    form_->close();  // what the title bar's close button does
    QTimer::singleShot(100, [&] {
      // Still running: this runs inside the event loop, which has not ended.
      helpWasUsable = help && help->isVisible() && visibleHelpWindows().size() == 1;
      QTest::mouseClick(help->addressLabel(), Qt::LeftButton);
      help->close();
    });
  });
  QVERIFY(ended);
  QVERIFY(helpWasUsable);
  QCOMPARE(services_->openedUrls.size(), 1);
  QVERIFY(!form_->isVisible());
}

void WindowLifecycleTest::exitAfterHelpWasClosedEndsTheProgram() {
  openHelp();
  form_->helpWindow()->close();
  QTRY_VERIFY(form_->helpWindow() == nullptr);
  QVERIFY(programEndsAfter([this] { QTest::mouseClick(form_->quitButton(), Qt::LeftButton); }));
  QCOMPARE(countVisibleWindows(), 0);
}

void WindowLifecycleTest::programRunsWhileTheMainWindowIsOpen() {
  // Opening and closing the help window alone does not end the program.
  QVERIFY(!programEndsAfter(
      [this] {
        QTest::mouseClick(form_->helpButton(), Qt::LeftButton);
        form_->helpWindow()->close();
      },
      300));
  QVERIFY(form_->isVisible());
}

QTEST_MAIN(WindowLifecycleTest)
#include "window_lifecycle_test.moc"
