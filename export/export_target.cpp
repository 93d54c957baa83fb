// The export buttons' work, on the engine's export writer.
#include "export/export_target.h"

#include <QFile>

#include "base/chinese_wording.h"
#include "run/export_file.h"
#include "ui/ui_services.h"

namespace crawlmeter {
namespace {

const QString kTitle = QStringLiteral("另存为");
const QString kRequiredText = QStringLiteral(".txt");
const QString kNotTxtMessage = QStringLiteral("请选择txt格式文件");
const QString kNoTargetMessage = QStringLiteral("请选择输出文件");

}  // namespace

std::optional<QString> chooseExportTarget(UiServices& services, QWidget* parent) {
  const QString fileName = services.saveFile(parent, kTitle);
  if (fileName.isEmpty()) return std::nullopt;
  if (!fileName.contains(kRequiredText, Qt::CaseSensitive)) {
    services.showMessage(parent, kNotTxtMessage);
    return std::nullopt;
  }
  return fileName;
}

void exportResultText(UiServices& services, QWidget* parent, const QString& target,
                      const QString& text) {
  if (target.isEmpty()) {
    services.showMessage(parent, kNoTargetMessage);
    return;
  }
  const Error error = writeExportFile(QFile::encodeName(target).toStdString(), text.toStdString());
  const std::string path = target.toStdString();
  const ChineseWording chinese;  // the window speaks Chinese whatever the user's locale
  services.showMessage(
      parent, QString::fromStdString(error.failed() ? exportFailedMessage(path, error, chinese)
                                                    : exportSucceededMessage(path, chinese)));
}

}  // namespace crawlmeter
