// Qt's own texts in the windows' language: the buttons of message boxes and the labels of the
// file dialogs read 确定, 取消, 打开... instead of OK, Cancel, Open.
#pragma once

class QCoreApplication;

namespace crawlmeter {

// Loads Qt's Simplified Chinese translation (qtbase_zh_CN.qm, from the system's Qt translations)
// into app for as long as app lives; false when it is not installed, and then Qt speaks English.
bool installQtChineseTranslation(QCoreApplication& app);

}  // namespace crawlmeter
