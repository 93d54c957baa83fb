// Micro-benchmarks of the hot paths: the line scanner over realistic lines, and the report writer.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "run/report.h"
#include "scan/log_scanner.h"

namespace crawlmeter {
namespace {

std::string realisticLines(std::size_t bytes) {
  const char* agents[] = {
      "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 Chrome/119.0 Safari/537.36",
      "Mozilla/5.0 (compatible; Baiduspider/2.0; +http://www.baidu.com/search/spider.html)",
      "Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)"};
  std::mt19937 random(1);
  std::string text;
  while (text.size() < bytes) {
    text += "10." + std::to_string(random() % 200) + "." + std::to_string(random() % 200) +
            ".7 - - [25/Aug/2009:" + std::to_string(10 + text.size() * 10 / bytes) +
            ":15:07 +0800] \"GET /bbs/forum.php?tid=" + std::to_string(random() % 100000) +
            " HTTP/1.1\" 200 5120 \"-\" \"" + agents[random() % 3] + "\"\n";
  }
  return text;
}

void BM_LogScanner(benchmark::State& state) {
  const std::string text = realisticLines(8 << 20);
  const std::size_t chunk = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    RecordCounter counter;
    FileCounts counts;
    LogScanner scanner(counter, counts);
    for (std::size_t at = 0; at < text.size(); at += chunk)
      scanner.feed(std::string_view(text).substr(at, chunk));
    scanner.finish();
    benchmark::DoNotOptimize(counts);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_LogScanner)->Arg(64 << 10)->Arg(1 << 20)->Arg(4 << 20);

void BM_ReportText(benchmark::State& state) {
  StatisticsTables tables(static_cast<std::size_t>(state.range(0)));
  for (std::size_t file = 0; file < tables.fileCount(); ++file) {
    tables.dateLabels[file] = "25/Aug/2009";
    for (int hour = 0; hour < kHourSlots; ++hour)
      tables.counts(StatCategory::Pv).at(file, hour) = 1000 + hour;
  }
  for (auto _ : state) benchmark::DoNotOptimize(reportText(tables, StatCategory::Pv));
}
BENCHMARK(BM_ReportText)->Arg(1)->Arg(31)->Arg(600);

}  // namespace
}  // namespace crawlmeter

BENCHMARK_MAIN();
