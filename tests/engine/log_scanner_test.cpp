// Counting whole files through the scanner: hour-runs, line ends, chunk boundaries.
#include "scan/log_scanner.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace crawlmeter {
namespace {

// Counts files in one run, feeding each in chunks of chunkSize bytes.
std::vector<FileCounts> countFiles(const std::vector<std::string>& files, std::size_t chunkSize) {
  RecordCounter counter;
  std::vector<FileCounts> result(files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    LogScanner scanner(counter, result[i]);
    for (std::size_t at = 0; at < files[i].size(); at += chunkSize) {
      scanner.feed(std::string_view(files[i]).substr(at, chunkSize));
    }
    scanner.finish();
  }
  return result;
}

FileCounts countFile(const std::string& bytes) { return countFiles({bytes}, 1 << 20)[0]; }

std::string line(const std::string& address, int hour, const std::string& agent = "Mozilla") {
  char time[64];
  std::snprintf(time, sizeof time, "[25/Aug/2009:%02d:15:07 +0800]", hour);
  return address + " - - " + time + " \"GET / HTTP/1.1\" 200 5 \"-\" \"" + agent + "\"\r\n";
}

TEST(LogScannerTest, CountsPageViewsAndDistinctAddressesPerHourRun) {
  const FileCounts counts =
      countFile(line("A", 10) + line("B", 10) + line("A", 10) + line("C", 10));
  EXPECT_EQ(counts.at(StatCategory::Pv, 10), 4);
  EXPECT_EQ(counts.at(StatCategory::Ip, 10), 3);
}

TEST(LogScannerTest, AnHourThatComesBackStartsANewHourRun) {
  const FileCounts counts = countFile(line("A", 10) + line("A", 11) + line("A", 10));
  EXPECT_EQ(counts.at(StatCategory::Pv, 10), 2);
  EXPECT_EQ(counts.at(StatCategory::Ip, 10), 2);
  EXPECT_EQ(counts.at(StatCategory::Pv, 11), 1);
  EXPECT_EQ(counts.at(StatCategory::Ip, 11), 1);
}

TEST(LogScannerTest, SkippedLinesNeitherEndNorExtendAnHourRun) {
  const FileCounts counts = countFile(
      line("A", 10) + "garbage-without-space\r\n\r\nno colon here\r\na :1x\r\n" + line("A", 10));
  EXPECT_EQ(counts.at(StatCategory::Pv, 10), 2);
  EXPECT_EQ(counts.at(StatCategory::Ip, 10), 1);
}

TEST(LogScannerTest, HourTextsEightAndZeroEightAreDifferentRuns) {
  const FileCounts counts = countFile("A :8\r\nA :08\r\nA :08\r\n");
  EXPECT_EQ(counts.at(StatCategory::Pv, 8), 3);
  EXPECT_EQ(counts.at(StatCategory::Ip, 8), 2);
}

TEST(LogScannerTest, TheHourRunCarriesOverIntoTheNextFile) {
  const auto counts = countFiles({line("A", 23), line("A", 23) + line("B", 23)}, 1 << 20);
  EXPECT_EQ(counts[1].at(StatCategory::Pv, 23), 2);
  EXPECT_EQ(counts[1].at(StatCategory::Ip, 23), 1);
  const auto fresh = countFiles({line("A", 22), line("A", 23)}, 1 << 20);
  EXPECT_EQ(fresh[1].at(StatCategory::Ip, 23), 1);
}

TEST(LogScannerTest, CrawlerLinesArePageViewsToo) {
  const FileCounts counts =
      countFile(line("A", 3, "Baiduspider/2.0") + line("B", 3, "Googlebot msnbot"));
  EXPECT_EQ(counts.at(StatCategory::Pv, 3), 2);
  EXPECT_EQ(counts.at(StatCategory::Ip, 3), 2);
  EXPECT_EQ(counts.at(StatCategory::Baidu, 3), 1);
  EXPECT_EQ(counts.at(StatCategory::Google, 3), 1);
  EXPECT_EQ(counts.at(StatCategory::Bing, 3), 0);
}

TEST(LogScannerTest, HourTwentyFourFillsItsOwnSlot) {
  EXPECT_EQ(countFile("a :24\r\n").at(StatCategory::Pv, 24), 1);
}

TEST(LogScannerTest, FirstLfDecidesHowLinesEnd) {
  LineEnds ends;
  {
    RecordCounter counter;
    FileCounts counts;
    LogScanner scanner(counter, counts);
    scanner.feed("a :01\nb :02\n");
    scanner.finish();
    ends = scanner.lineEnds();
    EXPECT_EQ(counts.at(StatCategory::Pv, 1), 1);
    EXPECT_EQ(counts.at(StatCategory::Pv, 2), 1);
  }
  EXPECT_EQ(ends, LineEnds::BareLf);
  // The first line ends in CR LF: later bare LFs stay inside one long line.
  const FileCounts mixed = countFile("a :01\r\nb :02\nc :03\n");
  EXPECT_EQ(mixed.at(StatCategory::Pv, 2), 1);
  EXPECT_EQ(mixed.at(StatCategory::Pv, 3), 0);
  // A lone CR ends a line in either kind of file.
  const FileCounts crOnly = countFile("a :01\rb :02\rc :03");
  EXPECT_EQ(crOnly.at(StatCategory::Pv, 1) + crOnly.at(StatCategory::Pv, 2) +
                crOnly.at(StatCategory::Pv, 3),
            3);
  // A file whose very first byte is LF converts.
  EXPECT_EQ(countFile("\na :01\nb :02").at(StatCategory::Pv, 2), 1);
}

// Random files of lines, CR/LF mixtures and two-byte characters count the same whatever the
// chunk size, and the same as their converted form.
TEST(LogScannerTest, ChunkSizesAndConversionNeverChangeTheCounts) {
  std::mt19937 random(11);
  const std::vector<std::string> pieces = {
      "1.2.3.4",      "5.6.7.8", " ",           " - - [25/Aug/2009:",
      "10",           "11",      ":",           "\r",
      "\n",           "\r\n",    "Baiduspider", "Googlebot",
      "msnbot",       "\x81",    "\xB0\xA1",    "[",
      "Yahoo! Slurp", "x"};
  for (int file = 0; file < 300; ++file) {
    std::vector<std::string> files(2);
    for (std::string& bytes : files) {
      const int count = static_cast<int>(random() % 80);
      for (int i = 0; i < count; ++i) bytes += pieces[random() % pieces.size()];
    }
    const auto whole = countFiles(files, 1 << 20);
    for (std::size_t chunk : {1u, 2u, 3u, 7u, 16u, 64u}) {
      ASSERT_EQ(countFiles(files, chunk), whole) << files[0] << "|" << files[1];
    }
    for (std::string& bytes : files) {
      RecordCounter counter;
      FileCounts ignored;
      LogScanner scanner(counter, ignored);
      scanner.feed(bytes);
      if (scanner.lineEnds() != LineEnds::BareLf) continue;
      std::string converted;
      LineEndConverter().convert(bytes, converted);
      bytes = converted + std::string(LineEndConverter::kFinalLineEnd);
    }
    ASSERT_EQ(countFiles(files, 1 << 20), whole);
  }
}

TEST(LogScannerTest, ReadsTheDateLabelFromTheSameChunks) {
  RecordCounter counter;
  FileCounts counts;
  LogScanner scanner(counter, counts);
  const std::string bytes = line("A", 1);
  for (char c : bytes) scanner.feed(std::string_view(&c, 1));
  scanner.finish();
  EXPECT_EQ(*scanner.dateLabel(), "25/Aug/2009");
}

}  // namespace
}  // namespace crawlmeter
