// The help window.
#include "help/form2.h"

#include <QEvent>
#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTextEdit>
#include <QUrl>
#include <array>
#include <utility>

#include "resources/product_info.h"
#include "ui/accessibility.h"
#include "ui/twips.h"
#include "ui/ui_services.h"

namespace crawlmeter {

namespace {

constexpr char kCaption[] = "帮助_Crawlmeter1.0";
// Sizes and places in twips (see ui/twips.h).
constexpr int kClientWidthTwips = 6510;
constexpr int kClientHeightTwips = 5835;
// Only the tooltip tells the user that the labels can be clicked: they look like plain text.
constexpr char kLabelToolTip[] = "点击进入Veldtbyte软件";

// The fonts are asked for by name; where a name is missing, the style hint lets fontconfig
// choose a font of like kind that can show Chinese.
struct FontRequest {
  const char* family;
  double pointSize;
  QFont::StyleHint hint;
};

struct LabelEntry {
  const char* name;
  const char* text;
  TwipsRect rect;
  FontRequest font;
};

// The address first, then the studio's name.
const std::array<LabelEntry, 2> kLabels = {{
    {"Label1", CRAWLMETER_MAKER_HOST, {1560, 240, 3735, 495}, {"Verdana", 15.75, QFont::SansSerif}},
    {"Label2", "Veldtbyte软件工作室", {2040, 840, 2415, 375}, {"仿宋_GB2312", 15, QFont::Serif}},
}};

// What a screen reader says of each control; a label is called by its text.
constexpr char kForumDescription[] = "点击在浏览器中打开Veldtbyte软件的论坛";
const AccessibleText kAccessibleTexts[] = {
    {"Label1", nullptr, kForumDescription},
    {"Label2", nullptr, kForumDescription},
    {"Text4", "帮助说明", "Crawlmeter的用法、联系方式和版本，只读"},
};

constexpr TwipsRect kHelpTextRect = {360, 1440, 5775, 3975};
constexpr FontRequest kHelpTextFont = {"宋体", 10.5, QFont::Serif};

// The studio's name does not fit its label at the asked size in the fonts a Linux desktop has;
// the font steps down until the whole name shows, never below this size.
constexpr double kSmallestLabelPoints = 8;
constexpr double kLabelPointStep = 0.5;

QFont fittedFont(QFont font, const QString& text, int width) {
  while (QFontMetrics(font).horizontalAdvance(text) > width &&
         font.pointSizeF() - kLabelPointStep >= kSmallestLabelPoints) {
    font.setPointSizeF(font.pointSizeF() - kLabelPointStep);
  }
  return font;
}

QFont makeFont(const FontRequest& request) {
  QFont font(QString::fromUtf8(request.family));
  font.setPointSizeF(request.pointSize);
  font.setStyleHint(request.hint);
  return font;
}

}  // namespace

Form2::Form2(std::shared_ptr<UiServices> services) : services_(std::move(services)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QString::fromUtf8(kCaption));
  resize(clientSizeInPixels(kClientWidthTwips, kClientHeightTwips));
  addressLabel_ = createLabel(0);
  studioNameLabel_ = createLabel(1);
  createHelpTextBox();
}

QLabel* Form2::createLabel(int index) {
  const LabelEntry& entry = kLabels[index];
  auto* label = new QLabel(QString::fromUtf8(entry.text), this);
  label->setObjectName(entry.name);
  label->setGeometry(toPixels(entry.rect));
  label->setTextFormat(Qt::PlainText);
  describeControl(*label, kAccessibleTexts);
  label->setFont(fittedFont(makeFont(entry.font), label->text(), label->width()));
  label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  label->setToolTip(QString::fromUtf8(kLabelToolTip));
  label->installEventFilter(this);
  return label;
}

void Form2::createHelpTextBox() {
  helpTextBox_ = new QTextEdit(this);
  helpTextBox_->setObjectName("Text4");
  helpTextBox_->setGeometry(toPixels(kHelpTextRect));
  describeControl(*helpTextBox_, kAccessibleTexts);
  helpTextBox_->setFont(makeFont(kHelpTextFont));
  helpTextBox_->setAcceptRichText(false);
  helpTextBox_->setUndoRedoEnabled(false);
  helpTextBox_->setReadOnly(true);
  // Read-only still lets the user select and copy, with the keyboard as well as the mouse.
  helpTextBox_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  helpTextBox_->setLineWrapMode(QTextEdit::WidgetWidth);
  helpTextBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  helpTextBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  helpTextBox_->setTabChangesFocus(true);
  helpTextBox_->setFocus();
  connect(helpTextBox_, &QTextEdit::textChanged, this, &Form2::spaceLinesLikeSongFace);
}

// The Song face sets one line per em, and so the whole help text fits the box that has no scroll
// bars. The Chinese fonts that stand in for it carry nearly one and a half em a line, which would
// push the contact and version lines out of sight; every new text gets the Song face's spacing.
void Form2::spaceLinesLikeSongFace() {
  const QSignalBlocker noRecursion(helpTextBox_);
  QTextBlockFormat spacing;
  spacing.setLineHeight(QFontInfo(helpTextBox_->font()).pixelSize(), QTextBlockFormat::FixedHeight);
  QTextCursor all(helpTextBox_->document());
  all.select(QTextCursor::Document);
  all.mergeBlockFormat(spacing);
}

void Form2::onAddressClicked() { openForum(); }

void Form2::onStudioNameClicked() { openForum(); }

void Form2::openForum() { services_->openUrl(QUrl(QStringLiteral(CRAWLMETER_MAKER_FORUM_URL))); }

bool Form2::eventFilter(QObject* watched, QEvent* event) {
  // A click is a left-button release over the label that was pressed: the press grabs the mouse
  // for the label, so the release reaches it even when the pointer has left it.
  if (event->type() == QEvent::MouseButtonRelease) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    auto* label = qobject_cast<QLabel*>(watched);
    if (mouse->button() == Qt::LeftButton && label &&
        label->rect().contains(mouse->position().toPoint())) {
      if (label == addressLabel_) onAddressClicked();
      if (label == studioNameLabel_) onStudioNameClicked();
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace crawlmeter
