// Drives Qt's own modal dialogs from inside their event loops, for tests of the real desktop
// services: acts on the dialog once it appears and never lets a failing test hang.
#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <functional>

namespace crawlmeter::testing {

// Waits inside the dialog's own event loop for the dialog to appear, then acts on it. Any
// further box that appears (such as a question about replacing a file) is noted and dismissed,
// and a dialog left open too long is closed, so a failing test ends instead of hanging.
class ModalDriver : public QObject {
 public:
  explicit ModalDriver(std::function<void(QWidget*)> action) : action_(std::move(action)) {
    startTimer(20);
  }
  bool sawExtraBox() const { return sawExtraBox_; }

 protected:
  // Acts from a fresh event, never inside this timer's handler: an action that opens a further
  // box runs that box's loop, and the timer does not fire again while its handler runs.
  void timerEvent(QTimerEvent*) override {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    if (!acted_) {
      acted_ = true;
      first_ = modal;
      QTimer::singleShot(0, modal, [this, modal] { action_(modal); });
    } else if (modal != first_) {
      sawExtraBox_ = true;
      dismiss(modal);
    } else if (++ticksAfterAction_ > kGiveUpTicks) {
      dismiss(modal);
    }
  }

 private:
  static void dismiss(QWidget* modal) {
    QTimer::singleShot(0, modal, [modal] { QTest::keyClick(modal, Qt::Key_Escape); });
  }

  static constexpr int kGiveUpTicks = 250;
  std::function<void(QWidget*)> action_;
  QWidget* first_ = nullptr;
  bool acted_ = false;
  bool sawExtraBox_ = false;
  int ticksAfterAction_ = 0;
};

inline void typeIntoFileDialog(QWidget* modal, const QString& directory, const QString& names) {
  auto* dialog = qobject_cast<QFileDialog*>(modal);
  QVERIFY(dialog);
  dialog->setDirectory(directory);
  auto* nameEdit = dialog->findChild<QLineEdit*>("fileNameEdit");
  QVERIFY(nameEdit);
  nameEdit->setFocus();
  QTest::keyClicks(nameEdit, names);
  QTest::keyClick(nameEdit, Qt::Key_Return);
}

}  // namespace crawlmeter::testing
