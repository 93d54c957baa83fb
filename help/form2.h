// The help window: the usage text, the studio's name and the maker's web address; a click on
// either label opens the maker's forum in the browser.
#pragma once

#include <QWidget>
#include <memory>

class QLabel;
class QTextEdit;

namespace crawlmeter {

class UiServices;

class Form2 : public QWidget {
  Q_OBJECT

 public:
  // A top-level window without owner; it deletes itself when closed, so that the next help
  // press starts a fresh one.
  explicit Form2(std::shared_ptr<UiServices> services);

  void onAddressClicked();
  void onStudioNameClicked();

  // The maker's web address ("Label1") and the studio's name ("Label2").
  QLabel* addressLabel() const { return addressLabel_; }
  QLabel* studioNameLabel() const { return studioNameLabel_; }
  // The usage text ("Text4"); empty until the main window's help button fills it.
  QTextEdit* helpTextBox() const { return helpTextBox_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLabel* createLabel(int index);
  void createHelpTextBox();
  void spaceLinesLikeSongFace();
  void openForum();

  std::shared_ptr<UiServices> services_;
  QLabel* addressLabel_ = nullptr;
  QLabel* studioNameLabel_ = nullptr;
  QTextEdit* helpTextBox_ = nullptr;
};

}  // namespace crawlmeter
