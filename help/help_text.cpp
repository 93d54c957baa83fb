// The usage text that the help window shows.
#include "help/help_text.h"

#include <QStringList>

#include "resources/product_info.h"

namespace crawlmeter {

namespace {

constexpr char kLineBreak[] = "\r\n";

// The indentation and spacing of the version line are part of the text's look.
constexpr char kVersionLine[] = "                      版本1.0   更新时间2009-08-25";

constexpr const char* kItems[] = {
    "1.点击“导入日志文件”，载入日志文件，支持多选；",
    "2.点击“导出文件选择”，选择存放导出结果的文件名；",
    "3.选择需要统计的次数类别后，点击“开始统计”，分析结果会显示在文本框中；",
    "4.点击“执行导出”，分析结果会写入第二个文本框设定的文件中；",
    "5.点击“帮助”，会显示帮助信息，点击“退出”，则退出Crawlmeter。",
    "6.QQ:" CRAWLMETER_MAKER_QQ "  E_Mail:" CRAWLMETER_MAKER_EMAIL,
};

}  // namespace

QString helpText() {
  QStringList items;
  for (const char* item : kItems) items << QString::fromUtf8(item);
  const QString emptyLine = QString(kLineBreak).repeated(2);
  return items.join(emptyLine) + QString(kLineBreak).repeated(3) + QString::fromUtf8(kVersionLine);
}

}  // namespace crawlmeter
