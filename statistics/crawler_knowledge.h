// What the window knows of crawlers, found as crawlmeter-report finds it: the built-in catalogue
// after the user's own catalogue file, and the built-in address ranges after the user's folder of
// ranges files. Either is read only when a run needs it.
#pragma once

#include <memory>
#include <optional>

#include "catalogue/crawler_catalogue.h"
#include "verify/crawler_ranges.h"

class QWidget;

namespace crawlmeter {

class UiServices;

struct CrawlerKnowledge {
  CrawlerCatalogue catalogue;
  CrawlerRanges ranges;  // none unless asked for
};

// Loads the catalogue, and the ranges when withRanges. A user's file that cannot be read or is
// wrong is told (its path, the line and why) and gives nullopt.
std::optional<std::shared_ptr<const CrawlerKnowledge>> loadCrawlerKnowledge(UiServices& services,
                                                                            QWidget* parent,
                                                                            bool withRanges);

}  // namespace crawlmeter
