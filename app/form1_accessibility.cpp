// The main window's words for screen readers, in one table.
#include "app/form1_accessibility.h"

#include <QWidget>

#include "ui/accessibility.h"

namespace crawlmeter {
namespace {

// What a screen reader says of each control; a button is called by its caption.
constexpr char kCrawlerDescription[] = "统计%1蜘蛛每小时的来访次数";
const AccessibleText kAccessibleTexts[] = {
    {"Frame1", "日志文件与导出文件", "选择要统计的日志文件和导出结果的文件"},
    {"Frame2", "统计方式", "选择统计页面浏览量、来访IP还是蜘蛛来访"},
    {"Frame3", "蜘蛛", "选择统计哪一种蜘蛛的来访"},
    {"Command1", nullptr, "打开文件对话框，选择要统计的日志文件，可多选"},
    {"Command2", nullptr, "选择把统计结果导出到哪个文件"},
    {"Command3", nullptr, "按所选的统计方式统计所选的日志文件，结果显示在统计结果框中"},
    {"Command4", nullptr, "把统计结果框中的文字写入所选的导出文件"},
    {"Command5", nullptr, "打开帮助窗口"},
    {"Command12", nullptr, "关闭主窗口和帮助窗口，退出程序"},
    {"Text1", "已选日志文件", "所选日志文件的路径或文件名，只读"},
    {"Text2", "导出文件", "统计结果导出到的文件的路径，也可以直接输入"},
    {"Text3", "统计结果", "统计报告：每个日志文件每小时的次数，可以编辑，导出时写入导出文件"},
    {"Option1", nullptr, "统计每个日志文件每小时的页面浏览量（PV）"},
    {"Option2", nullptr, "统计每个日志文件每小时来访的不同IP数"},
    {"Option3", nullptr, "统计所选蜘蛛每小时的来访次数，蜘蛛在下方选择"},
    {"Option4", nullptr, kCrawlerDescription},
    {"Option5", nullptr, kCrawlerDescription},
    {"Option6", nullptr, kCrawlerDescription},
    {"Option7", nullptr, kCrawlerDescription},
    {"Option8", nullptr, kCrawlerDescription},
    {"Option9", nullptr, kCrawlerDescription},
};
// Said once a run has written its report into the result box.
constexpr char kReportAnnouncement[] = "统计完成，结果显示在统计结果框中";

}  // namespace

// Every control named in the layout has its row.
void describeFormControl(QWidget* control) {
  [[maybe_unused]] const bool described = describeControl(*control, kAccessibleTexts);
  Q_ASSERT(described);
}

QString reportAnnouncement() { return QString::fromUtf8(kReportAnnouncement); }

}  // namespace crawlmeter
