// The main window: the file, export and result boxes, the two groups of statistics choices, and
// the buttons that start the work. It keeps all of the program's working state.
#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>

#include "base/kinds.h"
#include "export/export_target.h"
#include "log_input/log_file_choice.h"
#include "run/statistics_run.h"
#include "statistics/run_with_progress.h"

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

// The controls are named in the code by their role; their Qt object names ("Command3",
// "Option6", "Text3", "Frame2", "Line2") stay as the window was designed, since the tab order,
// accessibility and tests find them by those names.
class Form1 : public QWidget {
  Q_OBJECT

 public:
  // The window opens as laid out, with page views selected and the crawler choices hidden.
  explicit Form1(std::shared_ptr<UiServices> services);

  // Runs once the controls exist and before the window is first shown.
  void onLoad();
  // Page views and addresses hide the crawler choices; crawler statistics shows them.
  void onPageViewsClicked();
  void onAddressesClicked();
  void onCrawlersClicked();
  // Chooses the log files with the open dialog.
  void onChooseLogsClicked();
  // Takes log files dropped on the window as the open dialog's choice of the same paths.
  void onLogFilesDropped(const QStringList& paths);
  // Chooses the export target with the save dialog.
  void onChooseExportClicked();
  // Counts the chosen files and shows the report of the chosen kind in the result box.
  void onRunClicked();
  // Writes the text of the result box, or the last run's results as the HTML page, CSV or JSON,
  // to the file named in the export target box, as its name asks.
  void onExportClicked();
  // Opens the help window, or brings the open one to the front, and fills in the help text.
  void onHelpClicked();
  // Closes this window, then the help window if there is one.
  void onQuitClicked();

  QPushButton* chooseLogsButton() const { return button(Button::ChooseLogs); }
  QPushButton* chooseExportButton() const { return button(Button::ChooseExport); }
  QPushButton* runButton() const { return button(Button::Run); }
  QPushButton* exportButton() const { return button(Button::Export); }
  QPushButton* helpButton() const { return button(Button::Help); }
  QPushButton* quitButton() const { return button(Button::Quit); }
  // The option button that offers kind: page views and addresses in the kind frame, each
  // crawler on the window below it.
  QRadioButton* kindButton(StatCategory kind) const;
  // The choice of crawler statistics, whose crawler is chosen with the crawler kinds' buttons.
  QRadioButton* crawlersButton() const;
  QGroupBox* filesFrame() const { return frame(FrameRole::Files); }
  QGroupBox* kindFrame() const { return frame(FrameRole::Kind); }
  QGroupBox* crawlerFrame() const { return frame(FrameRole::Crawler); }
  QLineEdit* logFilesBox() const { return logFilesBox_; }
  QLineEdit* exportTargetBox() const { return exportTargetBox_; }
  QPlainTextEdit* resultBox() const { return resultBox_; }
  // The blue rule along the top edge.
  QFrame* topLine() const { return topLine_; }
  // The open help window, or null when there is none.
  Form2* helpWindow() const;
  // Position 0 the chosen files' folder (empty for one file), positions 1..N the chosen log
  // files; empty before the first choice.
  const QStringList& logFiles() const { return logFiles_; }
  // The date labels and count tables of the last run that succeeded; null before it.
  const StatisticsTables* tables() const { return run_ ? &run_->tables : nullptr; }

 private:
  // The push buttons and frames by role, in the order they are created.
  enum class Button { ChooseLogs, ChooseExport, Run, Export, Help, Quit, Count };
  enum class FrameRole { Files, Kind, Crawler, Count };

  QPushButton* button(Button role) const { return buttons_[static_cast<std::size_t>(role)]; }
  QGroupBox* frame(FrameRole role) const { return frames_[static_cast<std::size_t>(role)]; }
  // By the number in its object name, "Option1".."Option9".
  QRadioButton* optionNumbered(int number) const { return options_.at(number - 1); }
  void createFrames();
  void createOptions();
  void createButtons();
  void createTextBoxes();
  void createTopLine();
  void setTabOrder();
  void setCrawlerGroupVisible(bool visible);
  // Replaces the chosen log files and their display; nothing changes without a choice.
  void takeLogFileChoice(std::optional<LogFileChoice> choice);
  // The kind the option buttons choose; none when the crawler choice has no crawler chosen.
  std::optional<StatCategory> chosenKind() const;
  // Whether the last run counted what format shows, counting its files again when it did not;
  // false when there was none, or the count failed or was cancelled (the user is told).
  bool haveResultsFor(ExportFormat format);

  std::shared_ptr<UiServices> services_;
  QStringList logFiles_;
  // The last run that succeeded, for the report and the exports.
  std::optional<RunRecord> run_;
  std::array<QGroupBox*, static_cast<std::size_t>(FrameRole::Count)> frames_{};
  std::array<QPushButton*, static_cast<std::size_t>(Button::Count)> buttons_{};
  // One for each kind, and the choice of crawler statistics.
  std::array<QRadioButton*, kStatCategoryCount + 1> options_{};
  // The statistics kind (Option1..Option3) and the crawler (Option4..Option9).
  QButtonGroup* kindGroup_ = nullptr;
  QButtonGroup* crawlerGroup_ = nullptr;
  QLineEdit* logFilesBox_ = nullptr;
  QLineEdit* exportTargetBox_ = nullptr;
  QPlainTextEdit* resultBox_ = nullptr;
  QFrame* topLine_ = nullptr;
  // The help window deletes itself when closed, which clears this pointer.
  QPointer<Form2> helpWindow_;
};

}  // namespace crawlmeter
