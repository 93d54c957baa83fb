// The time shapes servers write: what each parser accepts, and the arithmetic of civil times.
#include "logformat/civil_time.h"

#include <gtest/gtest.h>

#include <functional>

namespace crawlmeter {
namespace {

using Parser = std::function<std::optional<CivilTime>(std::string_view)>;

CivilTime at(int y, int mo, int d, int h, int mi, int s, std::optional<int> offset) {
  CivilTime time{y, mo, d, h, mi, s, offset};
  return time;
}

TEST(CivilTimeTest, ParsersReadWhatServersWriteAndRefuseTheRest) {
  const Parser common = parseCommonLogTime;
  const Parser iso = parseIsoTime;
  const Parser epoch = parseEpochTime;
  const Parser any = parseAnyTime;
  const struct {
    Parser parse;
    std::string_view text;
    std::optional<CivilTime> expected;
  } cases[] = {
      {common, "17/Mar/2026:08:01:15 +0000", at(2026, 3, 17, 8, 1, 15, 0)},
      {common, "01/Jan/2026:23:59:59 -0530", at(2026, 1, 1, 23, 59, 59, -330)},
      {common, "17/Mar/2026:08:01:15", at(2026, 3, 17, 8, 1, 15, std::nullopt)},
      {common, "29/Feb/2025:08:01:15 +0000", std::nullopt},
      {common, "17/Mrz/2026:08:01:15 +0000", std::nullopt},
      {common, "17/Mar/2026:24:01:15 +0000", std::nullopt},
      {common, "17/Mar/2026:08:01:15 +00", at(2026, 3, 17, 8, 1, 15, 0)},
      {common, "17/Mar/2026:08:01:15 0000", std::nullopt},
      {iso, "2026-03-17T08:01:15Z", at(2026, 3, 17, 8, 1, 15, 0)},
      {iso, "2026-03-17T08:01:15.123456789+08:00", at(2026, 3, 17, 8, 1, 15, 480)},
      {iso, "2026-03-17 08:01:15", at(2026, 3, 17, 8, 1, 15, std::nullopt)},
      {iso, "2026-03-17T08:01:15-0700", at(2026, 3, 17, 8, 1, 15, -420)},
      {iso, "2026-03-17T08:01", std::nullopt},
      {iso, "2026-13-17T08:01:15Z", std::nullopt},
      {iso, "2026-03-17T08:01:15+8", std::nullopt},
      {epoch, "1773734475", at(2026, 3, 17, 8, 1, 15, 0)},
      {epoch, "1773734475.999", at(2026, 3, 17, 8, 1, 15, 0)},
      {epoch, "1773734475123", at(2026, 3, 17, 8, 1, 15, 0)},
      {epoch, "1773734475123456789", at(2026, 3, 17, 8, 1, 15, 0)},
      {epoch, "17737344751234567890", std::nullopt},
      {epoch, "9999999999999999999", at(2286, 11, 20, 17, 46, 39, 0)},
      {epoch, "-5", std::nullopt},
      {epoch, "1773734475.", at(2026, 3, 17, 8, 1, 15, 0)},
      {any, "17/Mar/2026:08:01:15 +0100", at(2026, 3, 17, 8, 1, 15, 60)},
      {any, "2026-03-17T08:01:15Z", at(2026, 3, 17, 8, 1, 15, 0)},
      {any, "1773734475.5", at(2026, 3, 17, 8, 1, 15, 0)},
      {any, "yesterday", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(c.parse(c.text), c.expected) << c.text;
  EXPECT_EQ(parseW3cTime("2026-03-17", "08:01:15.250"), at(2026, 3, 17, 8, 1, 15, 0));
  EXPECT_EQ(parseW3cTime("2026-03-17", "08:01:15Z"), std::nullopt);
}

TEST(CivilTimeTest, SecondsAndCivilTimesRoundTripAcrossCenturiesAndLeapDays) {
  for (std::int64_t seconds = -2'208'988'800; seconds < 7'258'118'400; seconds += 86'399 * 37) {
    for (const int offset : {0, 480, -330}) {
      const CivilTime time = civilTimeOf(seconds, offset);
      ASSERT_EQ(unixSecondsOf(time), seconds) << seconds << " " << offset;
    }
  }
  EXPECT_EQ(civilTimeOf(951'782'400, 0), at(2000, 2, 29, 0, 0, 0, 0));
  EXPECT_EQ(civilTimeOf(1'773'734'475, 480), at(2026, 3, 17, 16, 1, 15, 480));
  EXPECT_EQ(dateLabelOf(at(2026, 3, 7, 0, 0, 0, 0)), "07/Mar/2026");
}

}  // namespace
}  // namespace crawlmeter
