// The windows' pictures, pixel for pixel: each scene is drawn and compared with the picture kept
// in tests/app/data/ for the screen's device pixel ratio, so that no change the user cannot see
// in the code (such as what a screen reader is told) moves, resizes or repaints anything.
//
// CRAWLMETER_WRITE_PICTURES=1 writes the pictures instead of comparing (at ratio 1, and with
// QT_SCALE_FACTOR=2 at ratio 2). A picture keeps the fonts it was drawn with; on a machine whose
// fonts differ, the comparison is skipped, saying why.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QImage>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <algorithm>
#include <iterator>
#include <memory>
#include <set>

#include "app/form1.h"
#include "fake_ui_services.h"
#include "gui_test_support.h"
#include "help/form2.h"

using namespace crawlmeter;

namespace {

// A log with CR LF line ends, which a run leaves as it is.
const QByteArray kLog =
    "1.1.1.1 - - [25/Aug/2009:10:15:07 +0800] \"GET /\" 200 5 \"-\" \"Baiduspider\"\r\n"
    "2.2.2.2 - - [25/Aug/2009:10:16:00 +0800] \"GET /\" 200 5 \"-\" \"Googlebot\"\r\n"
    "1.1.1.1 - - [25/Aug/2009:11:00:00 +0800] \"GET /a\" 200 5 \"-\" \"Mozilla/5.0\"\r\n";

constexpr char kFontsKey[] = "Fonts";

// The families the window and every control below it are drawn in, as fontconfig resolved them.
QString fontsOf(const QWidget& window) {
  std::set<QString> families{QFontInfo(window.font()).family()};
  for (const QWidget* widget : window.findChildren<QWidget*>()) {
    families.insert(QFontInfo(widget->font()).family());
  }
  return QStringList(families.begin(), families.end()).join(';');
}

QString pictureFile(const QString& scene, qreal ratio) {
  return QDir(QStringLiteral(CRAWLMETER_WINDOW_PICTURES))
      .filePath(QStringLiteral("%1-dpr%2.png").arg(scene).arg(ratio));
}

qsizetype differingPixels(const QImage& a, const QImage& b) {
  qsizetype count = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) count += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
  }
  return count;
}

}  // namespace

class WindowPixelsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // A caret that blinks would be drawn or not depending on the moment of the picture.
    QApplication::setCursorFlashTime(0);
  }
  void init() { QVERIFY(testing::showMainWindow(services_, form1_, true)); }
  void cleanup() {
    if (form1_ && form1_->helpWindow()) delete form1_->helpWindow();
    form1_.reset();
  }

  void windowsLookAsBefore_data() {
    QTest::addColumn<int>("scene");
    for (int i = 0; i < static_cast<int>(std::size(kScenes)); ++i) {
      QTest::newRow(kScenes[i].name) << i;
    }
  }

  void windowsLookAsBefore() {
    // The scene by its row's name: a fetched index trips GCC's uninitialised-use warning under the
    // sanitizers.
    const Scene* scene = std::find_if(std::begin(kScenes), std::end(kScenes), [](const Scene& one) {
      return qstrcmp(one.name, QTest::currentDataTag()) == 0;
    });
    QVERIFY(scene != std::end(kScenes));
    QWidget* window = (this->*scene->show)();
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const QImage picture = window->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QString file = pictureFile(QTest::currentDataTag(), picture.devicePixelRatio());
    if (qEnvironmentVariableIntValue("CRAWLMETER_WRITE_PICTURES") == 1) {
      QImage stored = picture;
      stored.setText(kFontsKey, fontsOf(*window));
      QVERIFY(stored.save(file, "PNG"));
      QSKIP(qPrintable("written: " + file));
    }
    QImage expected(file);
    QVERIFY2(!expected.isNull(), qPrintable("no picture " + file));
    if (expected.text(kFontsKey) != fontsOf(*window)) {
      QSKIP(qPrintable("the picture was drawn in " + expected.text(kFontsKey) +
                       ", this machine draws in " + fontsOf(*window)));
    }
    expected = expected.convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(picture.size(), expected.size());
    const qsizetype differing = differingPixels(picture, expected);
    if (differing != 0) {
      const QString actual = QDir::temp().filePath(QFileInfo(file).fileName());
      picture.save(actual, "PNG");
      QFAIL(qPrintable(QStringLiteral("%1 pixels differ from %2; drawn now: %3")
                           .arg(differing)
                           .arg(file, actual)));
    }
  }

 private:
  QWidget* mainWindow() { return form1_.get(); }
  QWidget* crawlerChoices() {
    testing::clickOption(form1_->crawlersButton());
    testing::clickOption(form1_->kindButton(StatCategory::Google));
    return form1_.get();
  }
  // The window after a run of page views over two logs in a temporary folder; with two files the
  // box shows their bare names, the same wherever the folder is.
  QWidget* reportShown() {
    for (const char* name : {"a.log", "b.log"}) {
      QFile log(dir_.filePath(name));
      if (!log.open(QIODevice::WriteOnly) || log.write(kLog) != kLog.size()) return nullptr;
      services_->openFilesAnswer << log.fileName();
    }
    QTest::mouseClick(form1_->chooseLogsButton(), Qt::LeftButton);
    QTest::mouseClick(form1_->runButton(), Qt::LeftButton);
    if (!services_->messages.isEmpty() || form1_->resultBox()->toPlainText().isEmpty()) {
      return nullptr;
    }
    return form1_.get();
  }
  QWidget* helpWindow() {
    QTest::mouseClick(form1_->helpButton(), Qt::LeftButton);
    return form1_->helpWindow();
  }

  struct Scene {
    const char* name;
    QWidget* (WindowPixelsTest::*show)();
  };
  static constexpr Scene kScenes[] = {
      {"main-window", &WindowPixelsTest::mainWindow},
      {"crawler-choices", &WindowPixelsTest::crawlerChoices},
      {"report", &WindowPixelsTest::reportShown},
      {"help-window", &WindowPixelsTest::helpWindow},
  };

  QTemporaryDir dir_;
  std::shared_ptr<FakeUiServices> services_;
  std::unique_ptr<Form1> form1_;
};

QTEST_MAIN(WindowPixelsTest)
#include "window_pixels_test.moc"
