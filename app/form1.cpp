// The main window: its controls as laid out, the two groups of statistics choices and the rule
// that shows the crawler choices only for crawler statistics.
#include "app/form1.h"

#include <QButtonGroup>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <iterator>
#include <tuple>
#include <utility>

#include "app/form1_accessibility.h"
#include "export/export_results.h"
#include "export/export_target.h"
#include "help/form2.h"
#include "help/help_text.h"
#include "log_input/log_file_choice.h"
#include "log_input/log_file_drop.h"
#include "resources/product_info.h"
#include "run/report.h"
#include "statistics/run_with_progress.h"
#include "ui/accessibility.h"
#include "ui/twips.h"
#include "ui/ui_services.h"

// The icon is compiled into this static library; naming its initialiser keeps the linker from
// dropping it. Q_INIT_RESOURCE must be used outside any namespace.
static void initIconResource() { Q_INIT_RESOURCE(crawlmeter); }

namespace crawlmeter {

namespace {

constexpr char kCaption[] = "Crawlmeter1.0_Veldtbyte软件工作室";
// Every size and place in this file is in twips (see ui/twips.h).
constexpr int kClientWidthTwips = 9165;
constexpr int kClientHeightTwips = 10065;
constexpr char kIconPath[] = ":/icons/crawlmeter.png";

// Monospaced, with Chinese glyphs exactly two Latin cells wide, so the report's columns line up.
constexpr char kResultFontFamily[] = "Noto Sans Mono CJK SC";

constexpr TwipsRect kLogFilesBoxRect = {2160, 600, 6615, 495};
constexpr TwipsRect kExportTargetBoxRect = {2160, 1080, 6615, 495};
constexpr TwipsRect kResultBoxRect = {360, 3720, 8655, 5775};
// One pixel thick, along the top edge of the client area.
constexpr TwipsRect kTopLineRect = {0, 0, 8520, kTwipsPerPixel};
constexpr QRgb kTopLineColor = qRgb(0, 0, 255);

using Handler = void (Form1::*)();

struct FrameEntry {
  const char* name;
  TwipsRect rect;
};

// In FrameRole's order. The frames are created first so that they lie beneath the controls drawn
// over them.
constexpr FrameEntry kFrames[] = {
    {"Frame1", {360, 360, 8655, 1455}},   // files
    {"Frame2", {360, 2160, 4935, 855}},   // kind
    {"Frame3", {1800, 3000, 5055, 615}},  // crawler
};

struct ButtonEntry {
  const char* name;
  const char* caption;
  TwipsRect rect;
  Handler onClick;
};

// In Button's order.
const ButtonEntry kButtons[] = {
    {"Command1", "导入日志文件", {480, 600, 1455, 495}, &Form1::onChooseLogsClicked},
    {"Command2", "导出文件选择", {480, 1080, 1455, 495}, &Form1::onChooseExportClicked},
    {"Command3", "开始统计", {5400, 2280, 1575, 735}, &Form1::onRunClicked},
    {"Command4", "执行导出", {6960, 2280, 1455, 735}, &Form1::onExportClicked},
    {"Command5", "帮助", {6960, 3120, 975, 495}, &Form1::onHelpClicked},
    {"Command12", "退出", {7920, 3120, 855, 495}, &Form1::onQuitClicked},
};

enum class OptionGroup { Kind, Crawler };

// An option button's object name is "Option" and its number.
struct OptionEntry {
  int number;
  const char* caption;
  // The kind buttons' relative to the kind frame, the crawler buttons' to the window.
  TwipsRect rect;
  OptionGroup group;
  bool selected;
  Handler onClick;
};

const OptionEntry kOptions[] = {
    {1, "来访PV统计", {120, 360, 1335, 375}, OptionGroup::Kind, true, &Form1::onPageViewsClicked},
    {2, "来访IP统计", {1680, 360, 1335, 375}, OptionGroup::Kind, false, &Form1::onAddressesClicked},
    {3,
     "来访蜘蛛统计",
     {3120, 360, 1575, 375},
     OptionGroup::Kind,
     false,
     &Form1::onCrawlersClicked},
    {6, "百度", {1920, 3120, 855, 375}, OptionGroup::Crawler, true, nullptr},
    {9, "谷歌", {2760, 3120, 855, 375}, OptionGroup::Crawler, false, nullptr},
    {7, "有道", {3600, 3120, 735, 375}, OptionGroup::Crawler, false, nullptr},
    {5, "Bing", {4320, 3120, 975, 375}, OptionGroup::Crawler, false, nullptr},
    {8, "雅虎", {5160, 3120, 855, 375}, OptionGroup::Crawler, false, nullptr},
    {4, "搜狗", {6000, 3120, 735, 375}, OptionGroup::Crawler, false, nullptr},
};

// The window offers the kinds in kKindTable's order: those that are no crawler from Option1 on,
// then, under Option3's choice of crawlers, the crawler kinds from Option4 on.
constexpr int kCrawlersOption = 3;
constexpr std::array<int, kStatCategoryCount> kOptionOfKind = [] {
  std::array<int, kStatCategoryCount> options{};
  int plain = 1;
  int crawler = kCrawlersOption + 1;
  for (const KindRow& row : kKindTable) {
    options[kindIndex(row.kind)] = isCrawlerKind(row) ? crawler++ : plain++;
  }
  return options;
}();

// Tab enters each option group at its selected button; arrow keys move within the group.
const char* const kTabOrder[] = {
    "Command1",  "Command2", "Command5", "Text1",   "Text2",   "Text3",
    "Command12", "Command3", "Option1",  "Option3", "Option2", "Option4",
    "Option5",   "Option6",  "Option8",  "Option9", "Option7", "Command4",
};

// An option button takes Tab focus only while selected, so that Tab skips the rest of its group.
void updateTabStop(QAbstractButton* button, bool selected) {
  button->setFocusPolicy(selected ? Qt::StrongFocus : Qt::ClickFocus);
}

}  // namespace

Form1::Form1(std::shared_ptr<UiServices> services) : services_(std::move(services)) {
  initIconResource();
  setWindowTitle(QString::fromUtf8(kCaption));
  setWindowIcon(QIcon(kIconPath));
  resize(clientSizeInPixels(kClientWidthTwips, kClientHeightTwips));
  createFrames();
  createButtons();
  createTextBoxes();
  createOptions();
  createTopLine();
  setTabOrder();
  // Made last, so that it watches every control.
  new LogFileDropTarget(this, [this](const QStringList& paths) { onLogFilesDropped(paths); });
  chooseLogsButton()->setFocus();
  onLoad();
}

void Form1::createFrames() {
  static_assert(std::size(kFrames) == std::tuple_size_v<decltype(frames_)>,
                "one row of kFrames for each FrameRole");
  for (std::size_t i = 0; i < frames_.size(); ++i) {
    auto* frame = new QGroupBox(this);
    frame->setObjectName(QString::fromLatin1(kFrames[i].name));
    frame->setGeometry(toPixels(kFrames[i].rect));
    describeFormControl(frame);
    frames_[i] = frame;
  }
}

void Form1::createButtons() {
  static_assert(std::size(kButtons) == std::tuple_size_v<decltype(buttons_)>,
                "one row of kButtons for each Button");
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    const ButtonEntry& entry = kButtons[i];
    auto* button = new QPushButton(QString::fromUtf8(entry.caption), this);
    button->setObjectName(QString::fromLatin1(entry.name));
    button->setGeometry(toPixels(entry.rect));
    describeFormControl(button);
    // No button answers Enter or Esc for the window.
    button->setAutoDefault(false);
    button->setDefault(false);
    connect(button, &QPushButton::clicked, this, entry.onClick);
    buttons_[i] = button;
  }
}

void Form1::createTextBoxes() {
  logFilesBox_ = new QLineEdit(this);
  logFilesBox_->setObjectName("Text1");
  logFilesBox_->setGeometry(toPixels(kLogFilesBoxRect));
  logFilesBox_->setReadOnly(true);
  describeFormControl(logFilesBox_);

  exportTargetBox_ = new QLineEdit(this);
  exportTargetBox_->setObjectName("Text2");
  exportTargetBox_->setGeometry(toPixels(kExportTargetBoxRect));
  describeFormControl(exportTargetBox_);

  resultBox_ = new QPlainTextEdit(this);
  resultBox_->setObjectName("Text3");
  resultBox_->setGeometry(toPixels(kResultBoxRect));
  describeFormControl(resultBox_);
  // Report lines wider than the box are reached by scrolling sideways, never broken.
  resultBox_->setLineWrapMode(QPlainTextEdit::NoWrap);
  resultBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  resultBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  resultBox_->setTabChangesFocus(true);
  QFont resultFont = resultBox_->font();
  resultFont.setFamilies({QString::fromUtf8(kResultFontFamily)});
  resultFont.setStyleHint(QFont::TypeWriter);
  resultBox_->setFont(resultFont);
}

void Form1::createOptions() {
  static_assert(std::size(kOptions) == std::tuple_size_v<decltype(options_)>,
                "one row of kOptions for each option button");
  kindGroup_ = new QButtonGroup(this);
  crawlerGroup_ = new QButtonGroup(this);
  for (const OptionEntry& entry : kOptions) {
    const bool kind = entry.group == OptionGroup::Kind;
    QWidget* container = kind ? kindFrame() : static_cast<QWidget*>(this);
    auto* button = new QRadioButton(QString::fromUtf8(entry.caption), container);
    button->setObjectName(QStringLiteral("Option%1").arg(entry.number));
    button->setGeometry(toPixels(entry.rect));
    describeFormControl(button);
    // Explicit groups: Qt's automatic grouping by parent would also reach into the kind frame.
    (kind ? kindGroup_ : crawlerGroup_)->addButton(button);
    button->setChecked(entry.selected);
    updateTabStop(button, entry.selected);
    if (entry.onClick) connect(button, &QRadioButton::clicked, this, entry.onClick);
    options_[entry.number - 1] = button;
  }
  for (QButtonGroup* group : {kindGroup_, crawlerGroup_}) {
    connect(group, &QButtonGroup::buttonToggled, this, &updateTabStop);
  }
}

void Form1::createTopLine() {
  topLine_ = new QFrame(this);
  topLine_->setObjectName("Line2");
  topLine_->setFrameShape(QFrame::HLine);
  topLine_->setFrameShadow(QFrame::Plain);
  topLine_->setGeometry(toPixels(kTopLineRect));
  QPalette palette = topLine_->palette();
  palette.setColor(QPalette::WindowText, QColor::fromRgb(kTopLineColor));
  topLine_->setPalette(palette);
}

void Form1::setTabOrder() {
  QWidget* previous = nullptr;
  for (const char* name : kTabOrder) {
    auto* widget = findChild<QWidget*>(QString::fromLatin1(name));
    if (previous) QWidget::setTabOrder(previous, widget);
    previous = widget;
  }
}

QRadioButton* Form1::kindButton(StatCategory kind) const {
  return optionNumbered(kOptionOfKind[kindIndex(kind)]);
}

QRadioButton* Form1::crawlersButton() const { return optionNumbered(kCrawlersOption); }

Form2* Form1::helpWindow() const { return helpWindow_; }

void Form1::onLoad() { setCrawlerGroupVisible(false); }

void Form1::onPageViewsClicked() { setCrawlerGroupVisible(false); }

void Form1::onAddressesClicked() { setCrawlerGroupVisible(false); }

void Form1::onCrawlersClicked() { setCrawlerGroupVisible(true); }

// Tested in the order the window offers the kinds; a crawler counts only under the crawler choice.
std::optional<StatCategory> Form1::chosenKind() const {
  for (const KindRow& row : kKindTable) {
    if (!isCrawlerKind(row) && kindButton(row.kind)->isChecked()) return row.kind;
  }
  if (!crawlersButton()->isChecked()) return std::nullopt;
  for (const KindRow& row : kKindTable) {
    if (isCrawlerKind(row) && kindButton(row.kind)->isChecked()) return row.kind;
  }
  return std::nullopt;
}

void Form1::setCrawlerGroupVisible(bool visible) {
  // The crawler buttons lie on the window, not in the crawler frame, so each is hidden and shown
  // by itself, and the frame last. Only visibility changes: a hidden button keeps its selection.
  for (const KindRow& row : kKindTable) {
    if (isCrawlerKind(row)) kindButton(row.kind)->setVisible(visible);
  }
  crawlerFrame()->setVisible(visible);
}

void Form1::onChooseLogsClicked() { takeLogFileChoice(chooseLogFiles(*services_, this)); }

void Form1::onLogFilesDropped(const QStringList& paths) {
  takeLogFileChoice(logFileChoiceOf(paths));
}

void Form1::takeLogFileChoice(std::optional<LogFileChoice> choice) {
  if (!choice) return;
  logFiles_ = std::move(choice->logFiles);
  logFilesBox_->setText(choice->display);
  logFilesBox_->setCursorPosition(0);  // a long choice shows its beginning
}

void Form1::onChooseExportClicked() {
  if (const std::optional<QString> target = chooseExportTarget(*services_, this)) {
    exportTargetBox_->setText(*target);
  }
}

void Form1::onRunClicked() {
  const std::optional<StatCategory> kind = chosenKind();
  if (!kind) {
    services_->showMessage(this, QStringLiteral("请选择一种统计方式"));
    return;
  }
  if (logFilesBox_->text().isEmpty()) {
    services_->showMessage(this, QStringLiteral("请选择日志文件"));
    return;
  }
  // The window keeps the choice as the dialog gave it, the folder (or nothing) at position 0 and
  // the files from 1; the run counts files from 0 and needs no folder, so the list is cut here,
  // once, where it leaves the window.
  std::optional<RunRecord> run = runWithProgress(*services_, this, logFiles_.mid(1), *kind);
  if (!run) return;
  run_ = std::move(run);
  const QString previous = resultBox_->toPlainText();
  // The box holds line breaks as "\n"; the export writes each as CR LF again.
  resultBox_->setPlainText(QString::fromStdString(reportText(run_->tables, *kind, "\n")));
  announceNewReport(*resultBox_, previous, reportAnnouncement());
}

void Form1::onExportClicked() {
  const QString target = exportTargetBox_->text();
  const ExportFormat format = exportFormatOfTarget(target);
  if (target.isEmpty() || format == ExportFormat::kText) {
    exportResultText(*services_, this, target, resultBox_->toPlainText());
    return;
  }
  if (!haveResultsFor(format)) return;
  exportResults(*services_, this, target, format, run_->source(format == ExportFormat::kHtml),
                CRAWLMETER_VERSION);
}

bool Form1::haveResultsFor(ExportFormat format) {
  if (!run_) {
    services_->showMessage(this, noRunToExportMessage());
    return false;
  }
  // The page shows the crawlers verified; CSV and JSON show them as counted.
  const CrawlerCounting needed =
      format == ExportFormat::kHtml ? CrawlerCounting::kVerified : CrawlerCounting::kCatalogue;
  if (run_->counting >= needed) return true;
  // Counted again, with the crawlers: the result box keeps the report it shows.
  std::optional<RunRecord> again =
      runWithProgress(*services_, this, run_->files, run_->kind, needed);
  if (!again) return false;
  run_ = std::move(again);
  return true;
}

void Form1::onHelpClicked() {
  if (!helpWindow_) helpWindow_ = new Form2(services_);
  helpWindow_->show();
  helpWindow_->raise();
  helpWindow_->activateWindow();
  helpWindow_->helpTextBox()->setPlainText(helpText());
}

void Form1::onQuitClicked() {
  close();
  // A help window never opened needs no closing.
  if (helpWindow_) helpWindow_->close();
}

}  // namespace crawlmeter
