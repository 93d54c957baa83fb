// The export buttons' work, on the engine's export writer.
#include "export/export_target.h"

#include <QFile>

#include "run/export_file.h"
#include "ui/ui_services.h"

namespace crawlmeter {
namespace {

const QString kTitle = QStringLiteral("另存为");
const QString kRequiredText = QStringLiteral(".txt");
const QString kNotTxtMessage = QStringLiteral("请选择txt格式文件");
const QString kNoTargetMessage = QStringLiteral("请选择输出文件");

QString fromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

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
  const std::optional<std::string> failure =
      writeExportFile(QFile::encodeName(target).toStdString(), text.toStdString());
  if (failure) {
    services.showMessage(parent, fromUtf8(kExportFailedPrefix) + target + QLatin1Char('\n') +
                                     QString::fromLocal8Bit(failure->c_str()));
  } else {
    services.showMessage(parent, fromUtf8(kExportSucceededPrefix) + target);
  }
}

}  // namespace crawlmeter
