// The user's files are found through the same variables as the command's, so that both count the
// same crawlers for the same user.
#include "statistics/crawler_knowledge.h"

#include <string>

#include "base/chinese_wording.h"
#include "files/process_setup.h"
#include "ui/ui_services.h"

namespace crawlmeter {
namespace {

// Where the user's configuration lives, as the environment says.
struct ConfigVariables {
  std::optional<std::string> xdg = environmentText("XDG_CONFIG_HOME");
  std::optional<std::string> home = environmentText("HOME");
  std::optional<std::string> appData = environmentText("APPDATA");

  static const char* of(const std::optional<std::string>& value) {
    return value ? value->c_str() : nullptr;
  }
};

}  // namespace

std::optional<std::shared_ptr<const CrawlerKnowledge>> loadCrawlerKnowledge(UiServices& services,
                                                                            QWidget* parent,
                                                                            bool withRanges) {
  const ConfigVariables config;
  const ChineseWording chinese;  // the window speaks Chinese whatever the user's locale
  auto knowledge = std::make_shared<CrawlerKnowledge>();
  CatalogueChoice catalogue;
  catalogue.userFile =
      userCatalogueFile(ConfigVariables::of(config.xdg), ConfigVariables::of(config.home),
                        ConfigVariables::of(config.appData));
  if (const Error error = loadCatalogue(catalogue, &knowledge->catalogue); error.failed()) {
    services.showMessage(parent, QString::fromStdString(catalogueErrorMessage(error, chinese)));
    return std::nullopt;
  }
  if (!withRanges) return knowledge;
  RangesChoice ranges;
  ranges.userFolder =
      userRangesFolder(ConfigVariables::of(config.xdg), ConfigVariables::of(config.home),
                       ConfigVariables::of(config.appData));
  if (const Error error = loadRanges(ranges, &knowledge->ranges); error.failed()) {
    services.showMessage(parent, QString::fromStdString(rangesErrorMessage(error, chinese)));
    return std::nullopt;
  }
  return knowledge;
}

}  // namespace crawlmeter
