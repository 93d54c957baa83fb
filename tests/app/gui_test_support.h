// Helpers shared by the window tests: real clicks on option buttons, Tab walks, finding help
// windows, running the real event loop to see whether the program ends, and the user's settings
// kept in a folder of the test's own.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QRadioButton>
#include <QSettings>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/form1.h"
#include "fake_ui_services.h"
#include "help/form2.h"

namespace crawlmeter::testing {

// The main window on fresh fake services, shown as a window test begins; true once the system
// shows it (and gives it the focus, when active: a test that types or grabs needs it).
inline bool showMainWindow(std::shared_ptr<FakeUiServices>& services, std::unique_ptr<Form1>& form1,
                           bool active = false) {
  services = std::make_shared<FakeUiServices>();
  form1 = std::make_unique<Form1>(services);
  form1->show();
  return active ? QTest::qWaitForWindowActive(form1.get())
                : QTest::qWaitForWindowExposed(form1.get());
}

// Clicks an option button on its round indicator, where every style accepts a click, however
// short its caption.
inline void clickOption(QRadioButton* button) {
  QStyleOptionButton option;
  option.initFrom(button);
  option.text = button->text();
  const QRect indicator =
      button->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, button);
  QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, indicator.center());
}

// Presses Tab (or Shift+Tab) `presses` times and gives the object name of each widget that
// received the focus.
inline QStringList tabWalk(int presses, bool backwards = false) {
  QStringList names;
  for (int i = 0; i < presses; ++i) {
    QWidget* from = QApplication::focusWidget();
    if (!from) break;
    QTest::keyClick(from, backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                    backwards ? Qt::ShiftModifier : Qt::NoModifier);
    names << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : "");
  }
  return names;
}

// The help windows on screen.
inline QList<Form2*> visibleHelpWindows() {
  QList<Form2*> windows;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* form2 = qobject_cast<Form2*>(widget); form2 && form2->isVisible()) windows << form2;
  }
  return windows;
}

inline int countVisibleWindows() {
  int count = 0;
  for (QWidget* widget : QApplication::topLevelWidgets()) count += widget->isVisible() ? 1 : 0;
  return count;
}

// Runs the application's event loop as the program does, doing `step` once it runs. Gives true
// when the loop ended by itself, as the program ends, and false when it still ran after
// `timeoutMs`.
inline bool programEndsAfter(const std::function<void()>& step, int timeoutMs = 5000) {
  constexpr int kTimedOut = 77;
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(kTimedOut); });
  watchdog.start(timeoutMs);
  QTimer::singleShot(0, step);
  return QApplication::exec() != kTimedOut;
}

// While it lives, the user's settings (the dialogs' folders) are read from and written to a
// temporary folder of its own, never the real user's; it starts empty.
class IsolatedUserSettings {
 public:
  IsolatedUserSettings() {
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
      QSettings::setPath(format, QSettings::UserScope, folder_.path());
    }
  }
  bool isValid() const { return folder_.isValid(); }
  QString path() const { return folder_.path(); }

 private:
  QTemporaryDir folder_;
};

}  // namespace crawlmeter::testing
