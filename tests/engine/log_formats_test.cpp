// The same requests written in every log format count the same: every kind and every crawler of
// the catalogue, hour by hour, whatever the pieces, threads, chunks or compression.
#include <gtest/gtest.h>

#include <functional>

#include "catalogue/crawler_catalogue.h"
#include "compiled_catalogue.h"
#include "compress.h"
#include "request_logs.h"
#include "run/statistics_run.h"
#include "temp_folder.h"

namespace crawlmeter {
namespace {

using namespace crawlmeter::testing;

struct Rendering {
  const char* name;
  std::function<std::string(const std::vector<Request>&)> render;
};

const Rendering kRenderings[] = {
    {"vhost_combined", renderVhostCombined},
    {"IIS 10", renderIis},
    {"IIS 7", renderIis7},
    {"CloudFront", renderCloudFront},
    {"Caddy", renderCaddy},
    {"Traefik", renderTraefik},
    {"nginx JSON, time_local", [](auto& r) { return renderNginxJson(r, NginxTime::kLocal); }},
    {"nginx JSON, time_iso8601", [](auto& r) { return renderNginxJson(r, NginxTime::kIso8601); }},
    {"Cloudflare, RFC 3339", [](auto& r) { return renderCloudflare(r, CloudflareTime::kRfc3339); }},
    {"Cloudflare, unix ns", [](auto& r) { return renderCloudflare(r, CloudflareTime::kUnixNano); }},
    {"Cloudflare, unix", [](auto& r) { return renderCloudflare(r, CloudflareTime::kUnix); }},
};

std::shared_ptr<const CrawlerMatcher> builtInCatalogue() {
  CrawlerCatalogue catalogue;
  if (loadCatalogue(CatalogueChoice{}, &catalogue).failed()) std::abort();
  return compiled(catalogue);
}

// What must be equal between formats: the lines read differ (directives, headers).
void expectSameCounts(const StatisticsTables& actual, const StatisticsTables& expected,
                      const std::string& what) {
  EXPECT_EQ(actual.dateLabels, expected.dateLabels) << what;
  EXPECT_TRUE(actual.kindCounts == expected.kindCounts) << what;
  EXPECT_TRUE(actual.crawlerCounts == expected.crawlerCounts) << what;
  for (const LineTally& tally : actual.lineTallies) EXPECT_EQ(tally.notUnderstood, 0u) << what;
}

TEST(LogFormatsTest, TheSameRequestsCountTheSameInEveryFormat) {
  const std::vector<Request> requests = generatedRequests(4000, 7);
  TempFolder folder;
  const std::string combined = folder.write("combined.log", renderCombined(requests));
  RunOptions options;
  options.catalogue = builtInCatalogue();
  options.workers = 1;
  const RunResult expected = runStatistics(std::vector<std::string>{combined}, options);
  ASSERT_TRUE(expected.error.ok());
  ASSERT_GT(expected.tables.counts(StatCategory::Google).total(0), 0);
  for (const Rendering& rendering : kRenderings) {
    const std::string text = rendering.render(requests);
    const std::string path = folder.write("rendered.log", text);
    const std::string packed = folder.write("rendered.gz", compress(Compression::kGzip, text));
    // Pieces of a few kilobytes, on several threads, in chunks of odd sizes.
    const struct {
      std::string file;
      std::size_t workers, chunk;
    } readings[] = {{path, 1, 1 << 16}, {path, 3, 4093}, {packed, 2, 777}};
    for (const auto& reading : readings) {
      RunOptions pieces = options;
      pieces.workers = reading.workers;
      pieces.chunkBytes = reading.chunk;
      pieces.smallestPieceBytes = 8192;
      pieces.probeBytes = 1024;
      const RunResult result = runStatistics(std::vector<std::string>{reading.file}, pieces);
      ASSERT_TRUE(result.error.ok()) << rendering.name;
      expectSameCounts(result.tables, expected.tables,
                       std::string(rendering.name) + " " + std::to_string(reading.workers));
    }
  }
}

}  // namespace
}  // namespace crawlmeter
