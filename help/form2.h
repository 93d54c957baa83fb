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

  void Label1_Click();
  void Label2_Click();

  QLabel* label1() const { return label1_; }
  QLabel* label2() const { return label2_; }
  // Empty until the main window's help button fills it.
  QTextEdit* text4() const { return text4_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLabel* createLabel(int index);
  void createText4();
  void spaceLinesLikeSongFace();
  void openForum();

  std::shared_ptr<UiServices> services_;
  QLabel* label1_ = nullptr;
  QLabel* label2_ = nullptr;
  QTextEdit* text4_ = nullptr;
};

}  // namespace crawlmeter
