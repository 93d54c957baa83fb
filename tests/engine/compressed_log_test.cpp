// Compressed logs: each format counts exactly as its decompressed bytes do, concatenated streams
// and mixing included; bad data is a clear error; a compressed log is never rewritten; a
// decompression bomb is counted in bounded memory.
#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <sys/resource.h>
#endif

#include <filesystem>
#include <memory>

#include "base/chinese_wording.h"
#include "catalogue/crawler_matcher.h"
#include "compiled_catalogue.h"
#include "compress.h"
#include "run/statistics_run.h"
#include "temp_folder.h"

namespace crawlmeter {
namespace {

using testing::compress;
using testing::readFile;
using testing::TempFolder;

constexpr Compression kFormats[] = {Compression::kGzip, Compression::kBzip2, Compression::kXz,
                                    Compression::kZstd};

// A day of lines over many hours, with crawlers, a repeated address and a two-byte label.
std::string dayLog(const std::string& lineEnd, int lines = 400) {
  std::string log;
  for (int i = 0; i < lines; ++i) {
    const int hour = i * 24 / lines;
    log +=
        std::string("10.0.0.") + std::to_string(i % 7) +
        " - - [25/Aug/\xB0\xA1:" + (hour < 10 ? std::string("0") : std::string()) +
        std::to_string(hour) + ":00:00 +0800] \"GET /" + std::to_string(i) + "\" 200 5 \"-\" \"" +
        (i % 3 == 0 ? "Mozilla/5.0 (compatible; Baiduspider/2.0)" : "GPTBot/1.2") + "\"" + lineEnd;
  }
  return log;
}

RunOptions withCatalogue(std::size_t chunkBytes = kDefaultChunkBytes) {
  RunOptions options;
  CrawlerCatalogue catalogue;
  EXPECT_TRUE(catalogue.add(builtInCatalogueText(), "built-in").ok());
  options.catalogue = testing::compiled(catalogue);
  options.chunkBytes = chunkBytes;
  return options;
}

// The tables of file 1 and file 2 of a run are the same, kind by kind and crawler by crawler.
void expectSameColumns(const StatisticsTables& tables) {
  EXPECT_EQ(tables.dateLabels[0], tables.dateLabels[1]);
  for (int kind = 0; kind < static_cast<int>(kStatCategoryCount); ++kind) {
    const CountTable& table = tables.counts(static_cast<StatCategory>(kind));
    for (int hour = 0; hour < kHourSlots; ++hour)
      EXPECT_EQ(table.at(0, hour), table.at(1, hour)) << "kind " << kind << " hour " << hour;
  }
  for (const CountTable& table : tables.crawlerCounts) EXPECT_EQ(table.total(0), table.total(1));
}

TEST(CompressedLogTest, EachFormatCountsAsItsBytesDoInAnyChunksAndConcatenated) {
  TempFolder folder;
  for (const std::string lineEnd : {"\n", "\r\n"}) {
    const std::string log = dayLog(lineEnd);
    const std::string plain = folder.write("plain.log", log);
    for (Compression format : kFormats) {
      // Two streams one after the other, cut in the middle of a line.
      const std::size_t cut = log.size() / 2 + 5;
      const std::string packed = folder.write(
          "packed", compress(format, log.substr(0, cut)) + compress(format, log.substr(cut)));
      for (std::size_t chunk : {std::size_t{7}, kDefaultChunkBytes}) {
        const RunResult result =
            runStatistics(std::vector<std::string>{plain, packed}, withCatalogue(chunk));
        ASSERT_TRUE(result.error.ok())
            << compressionName(format) << ": " << reasonText(result.error, Wording());
        EXPECT_EQ(result.tables.counts(StatCategory::Pv).total(1), 400);
        expectSameColumns(result.tables);
      }
    }
  }
}

TEST(CompressedLogTest, ACompressedLogIsNeverRewrittenAndAnEmptyOneIsAnEmptyLog) {
  TempFolder folder;
  const std::string packedBytes = compress(Compression::kGzip, dayLog("\n"));
  const std::string packed = folder.write("day.log.gz", packedBytes);
  const std::string empty = folder.write("empty.log.zst", compress(Compression::kZstd, ""));
  const std::string emptyPlain = folder.write("empty.log", "");
  RunOptions options;
  options.rewriteLineEnds = true;
  const RunResult result =
      runStatistics(std::vector<std::string>{packed, empty, emptyPlain}, options);
  ASSERT_TRUE(result.error.ok()) << reasonText(result.error, Wording());
  EXPECT_EQ(readFile(packed), packedBytes);
  EXPECT_EQ(folder.entryCount(), 3);
  EXPECT_EQ(result.tables.dateLabels[1], result.tables.dateLabels[2]);
  EXPECT_EQ(result.tables.counts(StatCategory::Pv).total(1), 0);
}

// "BZh" and a digit may start a host name: without a block's magic or a binary byte after them, a
// log is text.
TEST(CompressedLogTest, PlainTextThatStartsLikeAFormatIsPlain) {
  TempFolder folder;
  for (const char* host : {"BZh9", "BZh91.example.com", "BZh", "BZhx", "BZh0\x01"}) {
    const std::string log = std::string(host) + " - - [25/Aug/2009:10:00:00 +0800] \"GET /\"\n";
    const RunResult result =
        runStatistics(std::vector<std::string>{folder.write("bzh.log", log)}, RunOptions{});
    ASSERT_TRUE(result.error.ok()) << host << ": " << reasonText(result.error, Wording());
    EXPECT_EQ(result.tables.counts(StatCategory::Pv).at(0, 10), 1) << host;
  }
}

// The copy of packed with byte at changed to value.
std::string withByte(std::string packed, std::size_t at, char value) {
  packed[at] = value;
  return packed;
}

// A file that starts with a format's magic and whose header is wrong is that format, damaged: the
// run fails naming the file, the format, where and what, and it is never counted as text.
TEST(CompressedLogTest, ADamagedHeaderFailsTheRunAndIsNeverText) {
  const std::string log = dayLog("\n", 50);
  const std::string gzip = compress(Compression::kGzip, log);
  const std::string xz = compress(Compression::kXz, log);
  const std::string zstd = compress(Compression::kZstd, log);
  const struct {
    Compression format;
    std::string bytes;
    std::string detail;
  } cases[] = {
      {Compression::kGzip, withByte(gzip, 2, '\xA5'),
       "gzip 压缩数据有误（压缩文件第 2 字节处）：文件头有误：未知的压缩方法 165（gzip 只有 8，即 "
       "deflate）"},
      {Compression::kGzip, withByte(gzip, 3, '\x20'),
       "gzip 压缩数据有误（压缩文件第 3 字节处）：文件头有误：标志字节 0x20 的保留位不为零"},
      {Compression::kGzip, "\x1f\x8b" + log,
       "gzip 压缩数据有误（压缩文件第 2 字节处）：文件头有误：未知的压缩方法 49（gzip 只有 8，即 "
       "deflate）"},
      {Compression::kBzip2, "BZh9" + std::string(6, '\0') + log,
       "bzip2 压缩数据有误（压缩文件第 4 字节处）：文件头有误：块大小之后不是数据块或流结尾的标记"},
      {Compression::kXz, withByte(xz, 6, '\x01'),
       "xz 压缩数据有误（压缩文件第 6 字节处）：文件头有误：流标志 0x01 的保留位不为零"},
      {Compression::kXz, withByte(xz, 7, '\x41'),
       "xz 压缩数据有误（压缩文件第 7 字节处）：文件头有误：流标志 0x41 的保留位不为零"},
      {Compression::kZstd, withByte(zstd, 4, '\x08'),
       "zstd 压缩数据有误（压缩文件第 4 字节处）：文件头有误：帧头描述符 0x08 的保留位不为零"},
  };
  TempFolder folder;
  for (const auto& bad : cases) {
    const std::string path = folder.write("damaged", bad.bytes);
    const RunResult result = runStatistics(std::vector<std::string>{path}, RunOptions{});
    ASSERT_TRUE(result.error.failed()) << bad.detail;
    EXPECT_EQ(result.error.what, Error::What::kDecompress);
    EXPECT_EQ(unreadableFileMessage(path, result.error, ChineseWording()),
              "无法读取日志文件：" + path + "\n" + bad.detail);
  }
}

TEST(CompressedLogTest, BadDataFailsTheRunNamingFormatProblemAndPlace) {
  const std::string log = dayLog("\n", 2000);
  struct Case {
    Compression format;
    std::string bytes;
    std::string words;
  };
  std::vector<Case> cases;
  for (Compression format : kFormats) {
    const std::string packed = compress(format, log);
    cases.push_back({format, packed.substr(0, packed.size() - 9), "文件不完整"});
    cases.push_back({format, packed + "garbage!", "不属于它的数据"});
    std::string damaged = packed;
    for (std::size_t at = packed.size() / 3; at < packed.size() / 3 + 16; ++at) damaged[at] ^= 0x55;
    cases.push_back({format, damaged, "有误"});
  }
  const std::string gzip = compress(Compression::kGzip, log);
  std::string badCrc = gzip;
  badCrc[gzip.size() - 8] ^= 1;  // the member's CRC-32
  cases.push_back({Compression::kGzip, badCrc, "校验和不符"});
  cases.push_back({Compression::kGzip, gzip + std::string(64, '\0') + "x", "不属于它的数据"});
  TempFolder folder;
  for (const Case& bad : cases) {
    const std::string path = folder.write("bad", bad.bytes);
    const RunResult result = runStatistics(std::vector<std::string>{path}, RunOptions{});
    ASSERT_TRUE(result.error.failed()) << compressionName(bad.format);
    EXPECT_EQ(result.error.what, Error::What::kDecompress);
    const std::string message = unreadableFileMessage(path, result.error, ChineseWording());
    EXPECT_NE(message.find(std::string(compressionName(bad.format)) + " 压缩数据有误（压缩文件第 "),
              std::string::npos)
        << message;
    EXPECT_NE(message.find(bad.words), std::string::npos) << message;
  }
  // Zero bytes after the last member are padding, as gzip allows.
  const RunResult padded =
      runStatistics(std::vector<std::string>{folder.write("padded", gzip + std::string(100, '\0'))},
                    RunOptions{});
  EXPECT_TRUE(padded.error.ok()) << reasonText(padded.error, Wording());
}

#if !defined(_WIN32)
// 512 MiB of one line without a line end, from 512 gzip members of a megabyte each.
TEST(CompressedLogTest, ABombIsCountedInBoundedMemory) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "address-space limits do not work under AddressSanitizer";
#endif
  TempFolder folder;
  const std::string member = compress(Compression::kGzip, std::string(1 << 20, 'x'));
  std::string bomb = compress(Compression::kGzip, "1.2.3.4 - - [25/Aug/2009:07:00:00] ");
  for (int i = 0; i < 512; ++i) bomb += member;
  const std::string path = folder.write("bomb.gz", bomb);
  const int status = testing::exitStatusOfChild([&] {
    const rlimit limit{256ULL << 20, 256ULL << 20};
    setrlimit(RLIMIT_AS, &limit);
    const RunResult result = runStatistics(std::vector<std::string>{path}, withCatalogue());
    if (result.error.failed()) return 1;
    return result.tables.counts(StatCategory::Pv).at(0, 7) == 1 ? 0 : 2;
  });
  EXPECT_EQ(status, 0);
}
#endif

}  // namespace
}  // namespace crawlmeter
