// The main window: the file, export and result boxes, the two groups of statistics choices, and
// the buttons that start the work. It keeps all of the program's working state.
#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <array>
#include <map>
#include <memory>
#include <optional>

#include "run/statistics_run.h"

class QButtonGroup;
class QFrame;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace crawlmeter {

class Form2;
class UiServices;

class Form1 : public QWidget {
  Q_OBJECT

 public:
  // The window opens as laid out, with page views selected and the crawler choices hidden.
  explicit Form1(std::shared_ptr<UiServices> services);

  // Runs once the controls exist and before the window is first shown.
  void Form_Load();
  void Option1_Click();
  void Option2_Click();
  void Option3_Click();
  // Chooses the log files with the open dialog.
  void Command1_Click();
  // Chooses the export target with the save dialog.
  void Command2_Click();
  // Counts the chosen files and shows the report of the chosen kind in Text3.
  void Command3_Click();
  // Writes the text of Text3 to the file named in Text2.
  void Command4_Click();
  // Opens the help window, or brings the open one to the front, and fills in the help text.
  void Command5_Click();
  // Closes this window, then the help window if there is one.
  void Command12_Click();

  // The controls by the numbers in their names: Command1..Command5 and Command12,
  // Option1..Option9, Frame1..Frame3.
  QPushButton* command(int number) const { return commands_.at(number); }
  QRadioButton* option(int number) const { return options_.at(number - 1); }
  QGroupBox* frame(int number) const { return frames_.at(number - 1); }
  QLineEdit* text1() const { return text1_; }
  QLineEdit* text2() const { return text2_; }
  QPlainTextEdit* text3() const { return text3_; }
  QFrame* line2() const { return line2_; }
  // The open help window, or null when there is none.
  Form2* helpWindow() const;
  // Positions 1..N: the chosen log files; empty before the first choice.
  const QStringList& logFiles() const { return LogFiles; }
  // The date labels and count tables of the last run that succeeded; none before it.
  const std::optional<StatisticsTables>& tables() const { return tables_; }

 private:
  void createFrames();
  void createOptions();
  void createCommands();
  void createTextBoxes();
  void createLine2();
  void setTabOrder();
  void setCrawlerGroupVisible(bool visible);
  // The kind the option buttons choose; none when the crawler choice has no crawler chosen.
  std::optional<StatCategory> chosenKind() const;

  std::shared_ptr<UiServices> services_;
  QStringList LogFiles;
  std::optional<StatisticsTables> tables_;
  std::array<QGroupBox*, 3> frames_{};
  std::array<QRadioButton*, 9> options_{};
  std::map<int, QPushButton*> commands_;
  // The statistics kind (Option1..Option3) and the crawler (Option4..Option9).
  QButtonGroup* kindGroup_ = nullptr;
  QButtonGroup* crawlerGroup_ = nullptr;
  QLineEdit* text1_ = nullptr;
  QLineEdit* text2_ = nullptr;
  QPlainTextEdit* text3_ = nullptr;
  QFrame* line2_ = nullptr;
  // The help window deletes itself when closed, which clears this pointer.
  QPointer<Form2> helpWindow_;
};

}  // namespace crawlmeter
