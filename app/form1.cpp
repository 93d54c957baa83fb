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
#include <utility>

#include "export/export_target.h"
#include "help/form2.h"
#include "help/help_text.h"
#include "log_input/log_file_choice.h"
#include "run/report.h"
#include "statistics/run_with_progress.h"
#include "ui/twips.h"
#include "ui/ui_services.h"

// The icon is compiled into this static library; naming its initialiser keeps the linker from
// dropping it. Q_INIT_RESOURCE must be used outside any namespace.
static void initIconResource() { Q_INIT_RESOURCE(crawlmeter); }

namespace crawlmeter {

namespace {

constexpr char kCaption[] = "Crawlmeter1.0_Veldtbyte软件工作室";
constexpr int kClientWidthTwips = 9165;
constexpr int kClientHeightTwips = 10065;
constexpr char kIconPath[] = ":/icons/crawlmeter.png";

// Monospaced, with Chinese glyphs exactly two Latin cells wide, so the report's columns line up.
constexpr char kResultFontFamily[] = "Noto Sans Mono CJK SC";

constexpr TwipsRect kText1Rect = {2160, 600, 6615, 495};
constexpr TwipsRect kText2Rect = {2160, 1080, 6615, 495};
constexpr TwipsRect kText3Rect = {360, 3720, 8655, 5775};
// One pixel thick, along the top edge of the client area.
constexpr TwipsRect kLine2Rect = {0, 0, 8520, kTwipsPerPixel};
constexpr QRgb kLine2Color = qRgb(0, 0, 255);

using Handler = void (Form1::*)();

// The frames are created first so that they lie beneath the controls drawn over them.
constexpr std::array<TwipsRect, 3> kFrames = {{
    {360, 360, 8655, 1455},
    {360, 2160, 4935, 855},
    {1800, 3000, 5055, 615},
}};
constexpr int kKindFrame = 2;
constexpr int kCrawlerFrame = 3;

struct CommandEntry {
  int number;
  const char* caption;
  TwipsRect rect;
  Handler onClick;
};

const CommandEntry kCommands[] = {
    {1, "导入日志文件", {480, 600, 1455, 495}, &Form1::Command1_Click},
    {2, "导出文件选择", {480, 1080, 1455, 495}, &Form1::Command2_Click},
    {3, "开始统计", {5400, 2280, 1575, 735}, &Form1::Command3_Click},
    {4, "执行导出", {6960, 2280, 1455, 735}, &Form1::Command4_Click},
    {5, "帮助", {6960, 3120, 975, 495}, &Form1::Command5_Click},
    {12, "退出", {7920, 3120, 855, 495}, &Form1::Command12_Click},
};

enum class OptionGroup { Kind, Crawler };

struct OptionEntry {
  int number;
  const char* caption;
  TwipsRect rect;  // the kind buttons' relative to Frame2, the crawler buttons' to the window
  OptionGroup group;
  bool selected;
  Handler onClick;
};

const OptionEntry kOptions[] = {
    {1, "来访PV统计", {120, 360, 1335, 375}, OptionGroup::Kind, true, &Form1::Option1_Click},
    {2, "来访IP统计", {1680, 360, 1335, 375}, OptionGroup::Kind, false, &Form1::Option2_Click},
    {3, "来访蜘蛛统计", {3120, 360, 1575, 375}, OptionGroup::Kind, false, &Form1::Option3_Click},
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
    options[kindIndex(row.kind)] = row.searchRank == kNoSearchRank ? plain++ : crawler++;
  }
  return options;
}();

// The crawler buttons lie on the window, not in Frame3, so each is hidden and shown by itself,
// in this order, and the frame last.
constexpr int kCrawlerOptions[] = {4, 5, 6, 7, 8, 9};

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
  createCommands();
  createTextBoxes();
  createOptions();
  createLine2();
  setTabOrder();
  command(1)->setFocus();
  Form_Load();
}

void Form1::createFrames() {
  for (std::size_t i = 0; i < kFrames.size(); ++i) {
    auto* frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("Frame%1").arg(i + 1));
    frame->setGeometry(toPixels(kFrames[i]));
    frames_[i] = frame;
  }
}

void Form1::createCommands() {
  for (const CommandEntry& entry : kCommands) {
    auto* button = new QPushButton(QString::fromUtf8(entry.caption), this);
    button->setObjectName(QStringLiteral("Command%1").arg(entry.number));
    button->setGeometry(toPixels(entry.rect));
    // No button answers Enter or Esc for the window.
    button->setAutoDefault(false);
    button->setDefault(false);
    if (entry.onClick) connect(button, &QPushButton::clicked, this, entry.onClick);
    commands_[entry.number] = button;
  }
}

void Form1::createTextBoxes() {
  text1_ = new QLineEdit(this);
  text1_->setObjectName("Text1");
  text1_->setGeometry(toPixels(kText1Rect));
  text1_->setReadOnly(true);

  text2_ = new QLineEdit(this);
  text2_->setObjectName("Text2");
  text2_->setGeometry(toPixels(kText2Rect));

  text3_ = new QPlainTextEdit(this);
  text3_->setObjectName("Text3");
  text3_->setGeometry(toPixels(kText3Rect));
  // Report lines wider than the box are reached by scrolling sideways, never broken.
  text3_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text3_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  text3_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  text3_->setTabChangesFocus(true);
  QFont resultFont = text3_->font();
  resultFont.setFamilies({QString::fromUtf8(kResultFontFamily)});
  resultFont.setStyleHint(QFont::TypeWriter);
  text3_->setFont(resultFont);
}

void Form1::createOptions() {
  kindGroup_ = new QButtonGroup(this);
  crawlerGroup_ = new QButtonGroup(this);
  for (const OptionEntry& entry : kOptions) {
    const bool kind = entry.group == OptionGroup::Kind;
    QWidget* container = kind ? frame(kKindFrame) : static_cast<QWidget*>(this);
    auto* button = new QRadioButton(QString::fromUtf8(entry.caption), container);
    button->setObjectName(QStringLiteral("Option%1").arg(entry.number));
    button->setGeometry(toPixels(entry.rect));
    // Explicit groups: Qt's automatic grouping by parent would also reach into Frame2.
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

void Form1::createLine2() {
  line2_ = new QFrame(this);
  line2_->setObjectName("Line2");
  line2_->setFrameShape(QFrame::HLine);
  line2_->setFrameShadow(QFrame::Plain);
  line2_->setGeometry(toPixels(kLine2Rect));
  QPalette palette = line2_->palette();
  palette.setColor(QPalette::WindowText, QColor::fromRgb(kLine2Color));
  line2_->setPalette(palette);
}

void Form1::setTabOrder() {
  QWidget* previous = nullptr;
  for (const char* name : kTabOrder) {
    auto* widget = findChild<QWidget*>(QString::fromLatin1(name));
    if (previous) QWidget::setTabOrder(previous, widget);
    previous = widget;
  }
}

Form2* Form1::helpWindow() const { return helpWindow_; }

void Form1::Form_Load() { setCrawlerGroupVisible(false); }

void Form1::Option1_Click() { setCrawlerGroupVisible(false); }

void Form1::Option2_Click() { setCrawlerGroupVisible(false); }

void Form1::Option3_Click() { setCrawlerGroupVisible(true); }

// Tested in the order the window offers the kinds; a crawler counts only under the crawler choice.
std::optional<StatCategory> Form1::chosenKind() const {
  const auto chosen = [this](const KindRow& row) {
    return option(kOptionOfKind[kindIndex(row.kind)])->isChecked();
  };
  for (const KindRow& row : kKindTable) {
    if (row.searchRank == kNoSearchRank && chosen(row)) return row.kind;
  }
  if (!option(kCrawlersOption)->isChecked()) return std::nullopt;
  for (const KindRow& row : kKindTable) {
    if (row.searchRank != kNoSearchRank && chosen(row)) return row.kind;
  }
  return std::nullopt;
}

void Form1::setCrawlerGroupVisible(bool visible) {
  // Only visibility changes: a hidden crawler button keeps its selection.
  for (int number : kCrawlerOptions) option(number)->setVisible(visible);
  frame(kCrawlerFrame)->setVisible(visible);
}

void Form1::Command1_Click() {
  std::optional<LogFileChoice> choice = chooseLogFiles(*services_, this);
  if (!choice) return;
  LogFiles = std::move(choice->logFiles);
  text1_->setText(choice->display);
  text1_->setCursorPosition(0);  // a long choice shows its beginning
}

void Form1::Command2_Click() {
  if (const std::optional<QString> target = chooseExportTarget(*services_, this)) {
    text2_->setText(*target);
  }
}

void Form1::Command3_Click() {
  const std::optional<StatCategory> kind = chosenKind();
  if (!kind) {
    services_->showMessage(this, QStringLiteral("请选择一种统计方式"));
    return;
  }
  if (text1_->text().isEmpty()) {
    services_->showMessage(this, QStringLiteral("请选择日志文件"));
    return;
  }
  std::optional<StatisticsTables> tables =
      runWithProgress(*services_, this, LogFiles.mid(1), *kind);
  if (!tables) return;
  tables_ = std::move(tables);
  // The box holds line breaks as "\n"; the export writes each as CR LF again.
  text3_->setPlainText(QString::fromStdString(reportText(*tables_, *kind, "\n")));
}

void Form1::Command4_Click() {
  exportResultText(*services_, this, text2_->text(), text3_->toPlainText());
}

void Form1::Command5_Click() {
  if (!helpWindow_) helpWindow_ = new Form2(services_);
  helpWindow_->show();
  helpWindow_->raise();
  helpWindow_->activateWindow();
  helpWindow_->text4()->setPlainText(helpText());
}

void Form1::Command12_Click() {
  close();
  // A help window never opened needs no closing.
  if (helpWindow_) helpWindow_->close();
}

}  // namespace crawlmeter
