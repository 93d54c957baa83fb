// The progress window is modal to the main window, so nothing in it can be pressed while a run is
// under way, and appears only after a short while, so quick runs show none.
#include "statistics/run_with_progress.h"

#include <QFile>
#include <QProgressDialog>
#include <string>
#include <utility>
#include <vector>

#include "base/chinese_wording.h"
#include "catalogue/crawler_matcher.h"
#include "resources/product_info.h"
#include "run/report.h"
#include "ui/ui_services.h"
#include "verify/claim_verification.h"

namespace crawlmeter {
namespace {

constexpr int kProgressSteps = 1000;
constexpr int kShowProgressAfterMs = 500;
const QString kCancel = QStringLiteral("取消");

// What the run counts besides the kinds, as crawlmeter-report counts it for the same output:
// the catalogue's crawlers, and their claims judged by the ranges (the spoofers kept, as the
// HTML page lists them). False when it cannot be had, which the user is told.
bool countCrawlers(UiServices& services, QWidget* parent, RunRecord& record, RunOptions& options) {
  if (record.counting == CrawlerCounting::kKinds) return true;
  const bool verified = record.counting == CrawlerCounting::kVerified;
  std::optional<std::shared_ptr<const CrawlerKnowledge>> crawlers =
      loadCrawlerKnowledge(services, parent, verified);
  if (!crawlers) return false;
  record.crawlers = std::move(*crawlers);
  Expected<std::shared_ptr<const CrawlerMatcher>> matcher =
      CrawlerMatcher::compile(record.crawlers->catalogue);
  if (matcher.failed()) {
    services.showMessage(parent,
                         QString::fromStdString(reasonText(matcher.error(), ChineseWording())));
    return false;
  }
  options.catalogue = std::move(*matcher);
  if (verified) {
    const CrawlerRanges& ranges = record.crawlers->ranges;
    options.claimCheck = rangeClaimCheck(usableMethods(record.crawlers->catalogue, ranges, false),
                                         ranges, false, true);
  }
  return true;
}

// The claims verified by the ranges alone: no DNS, which cannot fail.
void verifyRecord(RunRecord& record) {
  if (record.counting != CrawlerCounting::kVerified) return;
  const CrawlerKnowledge& crawlers = *record.crawlers;
  Expected<ClaimVerification> verified =
      verifyClaims(record.tables.claims, usableMethods(crawlers.catalogue, crawlers.ranges, false),
                   crawlers.ranges, {});
  if (verified.ok()) {
    record.verification = std::make_shared<const ClaimVerification>(std::move(*verified));
  }
}

}  // namespace

ResultSource RunRecord::source(bool verified) const {
  return ResultSource{paths, tables, bytes, crawlers ? &crawlers->catalogue : nullptr,
                      verified ? verification.get() : nullptr};
}

std::optional<RunRecord> runWithProgress(UiServices& services, QWidget* parent,
                                         const QStringList& files, StatCategory kind,
                                         CrawlerCounting counting) {
  RunRecord record;
  record.files = files;
  record.kind = kind;
  record.counting = counting;
  for (const QString& file : files) record.paths.push_back(QFile::encodeName(file).toStdString());
  RunOptions options;
  options.rewriteLineEnds = true;
  if (!countCrawlers(services, parent, record, options)) return std::nullopt;
  const std::string_view label = kindRow(kind).progressLine;
  QProgressDialog progress(QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size())),
                           kCancel, 0, kProgressSteps, parent);
  progress.setWindowTitle(QStringLiteral(CRAWLMETER_PRODUCT_NAME));
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(kShowProgressAfterMs);
  progress.setAutoClose(false);
  progress.setAutoReset(false);
  options.progress = [&](std::uint64_t done, std::uint64_t total) {
    progress.setValue(total == 0 ? 0 : static_cast<int>(done * kProgressSteps / total));
  };
  options.cancelRequested = [&] { return progress.wasCanceled(); };
  RunResult result = runStatistics(record.paths, options);
  if (result.error.failed() && result.error.what != Error::What::kCancelled) {
    const QString& path = files[static_cast<qsizetype>(result.failedFile)];
    services.showMessage(parent, QString::fromStdString(unreadableFileMessage(
                                     path.toStdString(), result.error, ChineseWording())));
  }
  if (result.error.failed()) return std::nullopt;
  record.tables = std::move(result.tables);
  record.bytes = std::move(result.bytes);
  verifyRecord(record);
  return record;
}

}  // namespace crawlmeter
