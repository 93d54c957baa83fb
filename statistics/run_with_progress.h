// The statistics run as the window starts it: over logFiles() 1..N, converting files with bare LF
// line ends, with a progress window (and a cancel button) when a run takes a while.
#pragma once

#include <QStringList>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "formats/result_series.h"
#include "run/statistics_run.h"
#include "scan/count_table.h"
#include "statistics/crawler_knowledge.h"

class QWidget;

namespace crawlmeter {

class UiServices;

// How much a run counts besides the eight kinds; each step needs the one before it.
enum class CrawlerCounting {
  kKinds,      // the eight kinds alone: the report of any of them
  kCatalogue,  // and every crawler of the catalogue: CSV and JSON
  kVerified,   // and their claims verified by the address ranges: the HTML page
};

// A run that succeeded, kept for the exports.
struct RunRecord {
  QStringList files;                     // as the window gave them
  std::vector<std::string> paths;        // the same as the run read them
  StatCategory kind = StatCategory::Pv;  // whose progress line the run showed
  CrawlerCounting counting = CrawlerCounting::kKinds;
  StatisticsTables tables;
  std::vector<FileBytes> bytes;
  std::shared_ptr<const CrawlerKnowledge> crawlers;       // from kCatalogue on
  std::shared_ptr<const ClaimVerification> verification;  // for kVerified

  // The results as the formats read them; verified shows the verification when there is one.
  ResultSource source(bool verified) const;
};

// The run over files that counts what counting asks for; nullopt when it was cancelled, when a
// file could not be read or when a user's crawler file is wrong, which the user is told. kind
// names the run in its progress window.
std::optional<RunRecord> runWithProgress(UiServices& services, QWidget* parent,
                                         const QStringList& files, StatCategory kind,
                                         CrawlerCounting counting = CrawlerCounting::kKinds);

}  // namespace crawlmeter
