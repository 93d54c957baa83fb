// crawlmeter-report on compressed logs and standard input, and its progress line.
#include <gtest/gtest.h>

#include "command_runner.h"
#include "compress.h"
#include "progress_bar.h"
#include "temp_folder.h"

namespace crawlmeter {
namespace {

using testing::compress;
using testing::Outcome;
using testing::runCommand;
using testing::TempFolder;

const std::string kLog =
    "1.1.1.1 - - [25/Aug/2009:10:15:07 +0800] \"GET /\" \"Googlebot\"\n"
    "2.2.2.2 - - [25/Aug/2009:11:16:00 +0800] \"GET /\" \"Mozilla\"\n";

TEST(InputCommandTest, StandardInputPlainOrCompressedMixesWithFiles) {
  TempFolder folder;
  const std::string plain = folder.write("a.log", kLog);
  const Outcome expected = runCommand(folder, {"--kind", "google", plain, plain});
  ASSERT_EQ(expected.status, 0) << expected.err;
  for (Compression format : {Compression::kNone, Compression::kXz}) {
    const std::string input = folder.write("in", compress(format, kLog));
    const Outcome outcome = runCommand(folder, {"--kind", "google", plain, "-"}, input);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, expected.out) << compressionName(format);
  }
  const std::string bad = folder.write("bad", compress(Compression::kGzip, kLog).substr(0, 30));
  const Outcome corrupt = runCommand(folder, {plain, "-"}, bad);
  EXPECT_EQ(corrupt.status, 1);
  EXPECT_EQ(corrupt.out, "");
  EXPECT_NE(corrupt.err.find("Cannot read the log file: standard input\ngzip: the compressed data "
                             "is wrong"),
            std::string::npos)
      << corrupt.err;
  const Outcome twice = runCommand(folder, {"-", plain, "-"}, plain);
  EXPECT_EQ(twice.status, 2);
  EXPECT_NE(twice.err.find("standard input (-) can be read only once"), std::string::npos);
}

// A log that starts with a format's magic and a wrong header fails the command, from a file or
// from standard input, with a message naming the file, the format, where and what is wrong.
TEST(InputCommandTest, ADamagedCompressedHeaderFailsTheCommand) {
  TempFolder folder;
  const std::string plain = folder.write("a.log", kLog);
  const struct {
    std::string bytes;
    std::string detail;
  } cases[] = {
      {"\x1f\x8b\xa5" + compress(Compression::kGzip, kLog).substr(3),
       "gzip: the compressed data is wrong at byte 2 of the compressed file: the header is wrong: "
       "unknown compression method 165"},
      {"BZh9\x01\x02\x03" + kLog,
       "bzip2: the compressed data is wrong at byte 4 of the compressed file: the header is "
       "wrong: "},
      {"\xfd"
       "7zXZ" +
           std::string(1, '\0') + "\x02\x01" + kLog,
       "xz: the compressed data is wrong at byte 6 of the compressed file: the header is wrong: "
       "the "
       "reserved bits of the stream flags 0x02"},
      {"\x28\xb5\x2f\xfd\xff" + kLog,
       "zstd: the compressed data is wrong at byte 4 of the compressed file: the header is wrong: "
       "the reserved bit of the frame header descriptor 0xFF"},
  };
  for (const auto& bad : cases) {
    const std::string damaged = folder.write("damaged.log", bad.bytes);
    const Outcome fromFile = runCommand(folder, {plain, damaged});
    EXPECT_EQ(fromFile.status, 1) << bad.detail;
    EXPECT_EQ(fromFile.out, "");
    EXPECT_NE(fromFile.err.find("Cannot read the log file: " + damaged + "\n" + bad.detail),
              std::string::npos)
        << fromFile.err;
    const Outcome fromInput = runCommand(folder, {plain, "-"}, damaged);
    EXPECT_EQ(fromInput.status, 1) << bad.detail;
    EXPECT_NE(fromInput.err.find("Cannot read the log file: standard input\n" + bad.detail),
              std::string::npos)
        << fromInput.err;
  }
}

TEST(InputCommandTest, ProgressShowsWhenForcedAndNeverOffATerminalByDefault) {
  TempFolder folder;
  const std::string log = folder.write("a.log", kLog);
  const Outcome quiet = runCommand(folder, {log});
  EXPECT_EQ(quiet.err, "");
  const Outcome forced = runCommand(folder, {"--progress", log});
  EXPECT_EQ(forced.out, quiet.out);
  EXPECT_NE(forced.err.find("\r["), std::string::npos) << forced.err;
  EXPECT_EQ(forced.err.back(), '\r');  // the line is cleared for what follows
  EXPECT_EQ(runCommand(folder, {"--no-progress", log}).err, "");
}

TEST(InputCommandTest, ProgressTextTellsShareRateAndTimeLeft) {
  EXPECT_EQ(progressText(512 << 20, 1 << 30, 2.0, Wording()),
            "[##########          ]  50%  512.0 MiB / 1.0 GiB  256.0 MiB/s  0:02 left");
  EXPECT_EQ(progressText(3 << 20, 0, 1.0, Wording()), "3.0 MiB read  3.0 MiB/s");
  EXPECT_EQ(progressText(10, 10, 0.0, Wording()),
            "[####################] 100%  10 B / 10 B  0 B/s");
}

}  // namespace
}  // namespace crawlmeter
