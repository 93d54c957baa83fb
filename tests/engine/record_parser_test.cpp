// Line parsing: address, hour text, crawler choice, whole lines and lines in pieces.
#include "scan/record_parser.h"

#include <gtest/gtest.h>

#include <random>

namespace crawlmeter {
namespace {

std::string hourOf(const std::optional<Record>& record) {
  return std::string(record->hour.digits.data(), record->hour.length);
}

TEST(RecordParserTest, TakesAddressBeforeFirstSpaceAndHourAfterFirstColonBehindIt) {
  const auto record = parseLine("10.0.0.1 - - [25/Aug/2009:10:15:07 +0800] \"GET / HTTP/1.1\"");
  ASSERT_TRUE(record);
  EXPECT_EQ(record->address.text, "10.0.0.1");
  EXPECT_EQ(hourOf(record), "10");
  EXPECT_EQ(record->crawler, kNoCrawler);

  const auto ipv6 = parseLine("2001:db8::1 - - [25/Aug/2009:07:00:00 +0800]");
  ASSERT_TRUE(ipv6);
  EXPECT_EQ(ipv6->address.text, "2001:db8::1");
  EXPECT_EQ(ipv6->hour.value(), 7);

  const auto leadingSpace = parseLine(" x [a:03");
  ASSERT_TRUE(leadingSpace);
  EXPECT_EQ(leadingSpace->address.text, "");
}

TEST(RecordParserTest, SkipsLinesWithoutSpaceOrColonOrWithABadHour) {
  for (const char* line : {"", "no-space:10", "a b c", "a :", "a :x1", "a :1x", "a : 8", "a :25",
                           "a :99", "a :1\n2", "a :\xB0\xA1"}) {
    EXPECT_FALSE(parseLine(line)) << line;
  }
}

TEST(RecordParserTest, AcceptsOneOrTwoDigitHoursUpToTwentyFour) {
  EXPECT_EQ(hourOf(parseLine("a :8")), "8");
  EXPECT_EQ(hourOf(parseLine("a :08:00")), "08");
  EXPECT_EQ(parseLine("a :24:00")->hour.value(), 24);
  EXPECT_EQ(parseLine("a :0")->hour.value(), 0);
  EXPECT_NE(parseLine("a :8")->hour, parseLine("a :08")->hour);
}

TEST(RecordParserTest, FirstCrawlerInSearchOrderWinsWhereverItStands) {
  EXPECT_EQ(parseLine("a :10 msnbot Googlebot")->crawler, 1);       // Googlebot
  EXPECT_EQ(parseLine("a :10 Googlebot Baiduspider")->crawler, 0);  // Baiduspider
  EXPECT_EQ(parseLine("a :10 YoudaoBot Sogou web spider")->crawler, 3);
  EXPECT_EQ(parseLine("a :10 Yahoo! Slurp")->crawler, 2);
  EXPECT_EQ(parseLine("a :10 msnbot/2.0")->crawler, 5);
}

TEST(RecordParserTest, CrawlerTextsAreExactAndSearchedOnlyBehindTheFirstSpace) {
  EXPECT_EQ(parseLine("a :10 baiduspider")->crawler, kNoCrawler);
  EXPECT_EQ(parseLine("a :10 Yahoo Slurp")->crawler, kNoCrawler);
  EXPECT_EQ(parseLine("Googlebot :10 x")->crawler, kNoCrawler);
  // The rest begins with the space, before the colon: a crawler there still counts.
  EXPECT_EQ(parseLine("a Googlebot :10")->crawler, 1);
}

TEST(RecordParserTest, CrawlerLettersAsSecondByteOfACharacterDoNotMatch) {
  // 0x81 'B' is one two-byte character, so "aiduspider" follows it, not "Baiduspider".
  EXPECT_EQ(findCrawler(" \x81"
                        "Baiduspider"),
            kNoCrawler);
  EXPECT_EQ(findCrawler(" \x81\x81"
                        "Baiduspider"),
            0);  // the pair ends before 'B'
  EXPECT_EQ(findCrawler(" \x81\x7F"
                        "Baiduspider"),
            0);  // 0x7F is no second byte
  EXPECT_EQ(findCrawler(" \x81"
                        "Baiduspider msnbot"),
            5);
  EXPECT_EQ(findCrawler(" \xFF"
                        "Googlebot"),
            1);  // 0xFF is no lead byte
}

TEST(RecordParserTest, LongAddressesAreComparedByDigest) {
  const std::string longAddress(kLongestKeptAddress + 1, 'x');
  const auto record = parseLine(longAddress + " :10");
  ASSERT_TRUE(record->address.digest);
  EXPECT_EQ(record->address.digest->length, longAddress.size());
  EXPECT_FALSE(parseLine(std::string(kLongestKeptAddress, 'x') + " :10")->address.digest);
}

// The parser for lines in pieces gives the answer of the whole-line parser at every cut.
TEST(RecordParserTest, PiecesGiveTheSameRecordAsWholeLines) {
  const std::string alphabet = std::string(" :0123456789[]!aBSYmsGgo\x81\xB0\xA1\xFF", 24) + "x";
  const std::vector<std::string> seeds = {
      "1.2.3.4 - - [10/Oct/2020:13:55:36 +0800] \"GET / HTTP/1.1\" \"Baiduspider\"",
      "a :10 \x81Googlebot Yahoo! Slurp", "x :2", "x :24 Sogou web spider", "a Googlebot"};
  std::mt19937 random(7);
  std::vector<std::string> lines = seeds;
  for (int i = 0; i < 3000; ++i) {
    std::string line;
    const int length = static_cast<int>(random() % 40);
    for (int j = 0; j < length; ++j) line += alphabet[random() % alphabet.size()];
    if (random() % 3 == 0) line += " x :1" + std::to_string(random() % 3) + " msnbot";
    lines.push_back(line);
  }
  for (const std::string& line : lines) {
    const std::optional<Record> whole = parseLine(line);
    for (int trial = 0; trial < 4; ++trial) {
      PieceParser pieces;
      for (std::size_t at = 0; at < line.size();) {
        const std::size_t length = 1 + random() % 5;
        pieces.feed(std::string_view(line).substr(at, length));
        at += length;
      }
      const std::optional<Record> pieced = pieces.finish();
      ASSERT_EQ(whole.has_value(), pieced.has_value()) << line;
      if (!whole) continue;
      EXPECT_EQ(whole->address.text, pieced->address.text) << line;
      EXPECT_EQ(whole->hour, pieced->hour) << line;
      EXPECT_EQ(whole->crawler, pieced->crawler) << line;
    }
  }
}

TEST(RecordParserTest, PiecesOfAVeryLongAddressKeepOnlyADigest) {
  const std::string address(3 * kLongestKeptAddress, 'z');
  PieceParser pieces;
  for (std::size_t at = 0; at < address.size(); at += 1000) pieces.feed(address.substr(at, 1000));
  pieces.feed(" :10");
  const auto pieced = pieces.finish();
  const auto whole = parseLine(address + " :10");
  ASSERT_TRUE(pieced && pieced->address.digest);
  EXPECT_EQ(*pieced->address.digest, *whole->address.digest);
}

}  // namespace
}  // namespace crawlmeter
