// The progress window is modal to the main window, so nothing in it can be pressed while a run is
// under way, and appears only after a short while, so quick runs show none.
#include "statistics/run_with_progress.h"

#include <QFile>
#include <QProgressDialog>
#include <string>
#include <vector>

#include "base/chinese_wording.h"
#include "resources/product_info.h"
#include "run/report.h"
#include "ui/ui_services.h"

namespace crawlmeter {
namespace {

constexpr int kProgressSteps = 1000;
constexpr int kShowProgressAfterMs = 500;
const QString kCancel = QStringLiteral("取消");

}  // namespace

std::optional<StatisticsTables> runWithProgress(UiServices& services, QWidget* parent,
                                                const QStringList& files, StatCategory kind) {
  std::vector<std::string> paths;
  for (const QString& file : files) paths.push_back(QFile::encodeName(file).toStdString());
  const std::string_view label = kindRow(kind).progressLine;
  QProgressDialog progress(QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size())),
                           kCancel, 0, kProgressSteps, parent);
  progress.setWindowTitle(QStringLiteral(CRAWLMETER_PRODUCT_NAME));
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(kShowProgressAfterMs);
  progress.setAutoClose(false);
  progress.setAutoReset(false);
  RunOptions options;
  options.rewriteLineEnds = true;
  options.progress = [&](std::uint64_t done, std::uint64_t total) {
    progress.setValue(total == 0 ? 0 : static_cast<int>(done * kProgressSteps / total));
  };
  options.cancelRequested = [&] { return progress.wasCanceled(); };
  RunResult result = runStatistics(paths, options);
  if (result.error.failed() && result.error.what != Error::What::kCancelled) {
    const QString& path = files[static_cast<qsizetype>(result.failedFile)];
    services.showMessage(parent, QString::fromStdString(unreadableFileMessage(
                                     path.toStdString(), result.error, ChineseWording())));
  }
  if (result.error.failed()) return std::nullopt;
  return std::move(result.tables);
}

}  // namespace crawlmeter
