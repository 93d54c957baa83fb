// The zones hours are counted in: the texts a user names them with, conversions across daylight
// saving changes, the cached interval against fresh lookups, and yearly rules (Windows' kind of
// zone) against the system's database. Nothing here depends on the machine's own zone.
#include "files/time_zone.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "files/yearly_rule.h"
#include "logformat/civil_time.h"
#if !defined(_WIN32)
#include "locales.h"
#endif

namespace crawlmeter {
namespace {

#if defined(_WIN32)
constexpr bool kZonesByName = false;
#else
constexpr bool kZonesByName = true;
#endif

CivilTime at(int y, int mo, int d, int h, int mi, int s, std::optional<int> offset) {
  return CivilTime{y, mo, d, h, mi, s, offset};
}

TimeZone zoneOf(std::string_view text) {
  Message problem;
  std::optional<TimeZone> zone = parseTimeZone(text, &problem);
  if (!zone) ADD_FAILURE() << text << ": " << problem.text(Wording());
  return zone.value_or(TimeZone::fixed(0));
}

std::int64_t utcSeconds(int y, int mo, int d, int h, int mi, int s) {
  return unixSecondsOf(at(y, mo, d, h, mi, s, 0));
}

TEST(TimeZoneTest, ReadsTheWaysUsersNameZones) {
  const std::int64_t winter = utcSeconds(2026, 1, 15, 12, 0, 0);
  const std::int64_t summer = utcSeconds(2026, 7, 15, 12, 0, 0);
  const struct {
    std::string_view text;
    bool byName;  // known only where the system has a database by name
    int winterOffset;
    int summerOffset;
  } cases[] = {
      {"UTC", false, 0, 0},
      {"utc", false, 0, 0},
      {"Z", false, 0, 0},
      {"z", false, 0, 0},
      {"GMT", false, 0, 0},
      {"+0800", false, 480, 480},
      {"+08", false, 480, 480},
      {"+08:00", false, 480, 480},
      {"-05:30", false, -330, -330},
      {"-0530", false, -330, -330},
      {"+23:59", false, 1439, 1439},
      {"-00", false, 0, 0},
      {"Asia/Shanghai", true, 480, 480},
      {"Europe/Berlin", true, 60, 120},
      {"America/New_York", true, -300, -240},
      {"Asia/Kolkata", true, 330, 330},
      {"Australia/Sydney", true, 660, 600},
  };
  for (const auto& c : cases) {
    Message problem;
    std::optional<TimeZone> zone = parseTimeZone(c.text, &problem);
    if (c.byName && !kZonesByName) {
      ASSERT_FALSE(zone) << c.text;
      EXPECT_NE(problem.text(Wording()).find("no time-zone database by name"), std::string::npos);
      continue;
    }
    ASSERT_TRUE(zone) << c.text << ": " << problem.text(Wording());
    EXPECT_EQ(zone->offsetMinutesAt(winter), c.winterOffset) << c.text;
    EXPECT_EQ(zone->offsetMinutesAt(summer), c.summerOffset) << c.text;
  }
}

TEST(TimeZoneTest, RefusesMalformedOffsetsAndUnknownNamesSayingWhy) {
  const std::string unknown = kZonesByName ? "not in the system's time-zone database"
                                           : "this system has no time-zone database by name";
  const struct {
    std::string_view text;
    std::string why;
  } cases[] = {
      {"", "no time zone given"},
      {"+8", "malformed time zone offset '+8'"},
      {"+080", "malformed time zone offset '+080'"},
      {"+08:0", "malformed time zone offset '+08:0'"},
      {"+08:000", "malformed time zone offset '+08:000'"},
      {"+0800x", "malformed time zone offset '+0800x'"},
      {"+24", "malformed time zone offset '+24'"},
      {"-08:60", "malformed time zone offset '-08:60'"},
      {"+", "malformed time zone offset '+'"},
      {"Asia/Shangai", "unknown time zone 'Asia/Shangai': " + unknown},
      {"08:00", "unknown time zone '08:00': " + unknown},
      {"../../etc/passwd", "unknown time zone '../../etc/passwd': " + unknown},
  };
  for (const auto& c : cases) {
    Message problem;
    EXPECT_FALSE(parseTimeZone(c.text, &problem)) << c.text;
    EXPECT_NE(problem.text(Wording()).find(c.why), std::string::npos)
        << c.text << ": " << problem.text(Wording());
  }
}

TEST(TimeZoneTest, ConvertsInstantsIntoTheZoneAcrossItsChanges) {
  const struct {
    std::string_view zone;
    CivilTime time;
    CivilTime expected;
  } cases[] = {
      // Central Europe springs forward at 01:00 UTC on the last Sunday of March...
      {"Europe/Berlin", at(2026, 3, 29, 0, 59, 59, 0), at(2026, 3, 29, 1, 59, 59, 60)},
      {"Europe/Berlin", at(2026, 3, 29, 1, 0, 0, 0), at(2026, 3, 29, 3, 0, 0, 120)},
      {"Europe/Berlin", at(2026, 3, 29, 8, 0, 0, 480), at(2026, 3, 29, 1, 0, 0, 60)},
      // ...and falls back at 01:00 UTC on the last Sunday of October.
      {"Europe/Berlin", at(2026, 10, 25, 0, 59, 59, 0), at(2026, 10, 25, 2, 59, 59, 120)},
      {"Europe/Berlin", at(2026, 10, 25, 1, 0, 0, 0), at(2026, 10, 25, 2, 0, 0, 60)},
      // New York: 2:00 local on the second Sunday of March and the first of November.
      {"America/New_York", at(2026, 3, 8, 6, 59, 59, 0), at(2026, 3, 8, 1, 59, 59, -300)},
      {"America/New_York", at(2026, 3, 8, 7, 0, 0, 0), at(2026, 3, 8, 3, 0, 0, -240)},
      {"America/New_York", at(2026, 11, 1, 5, 59, 59, 0), at(2026, 11, 1, 1, 59, 59, -240)},
      {"America/New_York", at(2026, 11, 1, 6, 0, 0, 0), at(2026, 11, 1, 1, 0, 0, -300)},
      {"Asia/Kolkata", at(2026, 3, 17, 8, 1, 15, 0), at(2026, 3, 17, 13, 31, 15, 330)},
      {"Asia/Kolkata", at(2026, 3, 17, 23, 45, 0, 60), at(2026, 3, 18, 4, 15, 0, 330)},
      {"Asia/Shanghai", at(2026, 12, 31, 16, 30, 0, 0), at(2027, 1, 1, 0, 30, 0, 480)},
      {"Asia/Shanghai", at(2026, 3, 17, 8, 1, 15, 480), at(2026, 3, 17, 8, 1, 15, 480)},
      {"-05:30", at(2026, 1, 1, 3, 0, 0, 0), at(2025, 12, 31, 21, 30, 0, -330)},
      {"+0800", at(2024, 2, 28, 20, 0, 0, -120), at(2024, 2, 29, 6, 0, 0, 480)},
      {"UTC", at(2026, 3, 17, 8, 1, 15, 480), at(2026, 3, 17, 0, 1, 15, 0)},
      {"Z", at(2026, 3, 17, 8, 1, 15, 0), at(2026, 3, 17, 8, 1, 15, 0)},
  };
  for (const auto& c : cases) {
    if (c.zone.find('/') != std::string_view::npos && !kZonesByName) continue;
    TimeZone zone = zoneOf(c.zone);
    EXPECT_EQ(zone.convert(c.time), c.expected)
        << c.zone << " " << dateLabelOf(c.time) << " " << c.time.hour << ":" << c.time.minute;
  }
}

TEST(TimeZoneTest, LeavesATimeWithoutAZoneAsWritten) {
  std::vector<std::string_view> zones = {"UTC", "+08:00", "local"};
  if (kZonesByName) zones.push_back("Europe/Berlin");
  const CivilTime written = at(2026, 3, 29, 2, 30, 0, std::nullopt);  // Berlin skips this hour
  for (std::string_view text : zones) EXPECT_EQ(zoneOf(text).convert(written), written) << text;
}

// One zone answers every instant of a sweep, back and forth across years, as a zone looking each
// up afresh does.
void expectCacheAnswersAsFreshLookups(std::string_view text) {
  TimeZone cached = zoneOf(text);
  const std::int64_t first = utcSeconds(2019, 1, 1, 0, 0, 0);
  const std::int64_t last = utcSeconds(2029, 1, 1, 0, 0, 0);
  const std::int64_t step = 19 * 3600 + 17 * 60 + 13;
  std::vector<std::int64_t> instants;
  for (std::int64_t t = first; t < last; t += step) instants.push_back(t);
  for (std::int64_t t = last; t > first; t -= 97 * step) instants.push_back(t);
  for (std::int64_t t : instants) {
    const CivilTime time = civilTimeOf(t, 0);
    TimeZone fresh = zoneOf(text);
    ASSERT_EQ(cached.convert(time), fresh.convert(time)) << text << " at " << t;
    ASSERT_EQ(unixSecondsOf(cached.convert(time)), t) << text << " at " << t;
  }
}

TEST(TimeZoneTest, CachedIntervalAnswersAsAFreshZone) {
  std::vector<std::string_view> zones = {"local", "+05:45", "UTC"};
  if (kZonesByName) {
    zones.insert(zones.end(), {"Europe/Berlin", "America/New_York", "Australia/Sydney",
                               "Asia/Kolkata", "America/Sao_Paulo"});
  }
  for (std::string_view text : zones) expectCacheAnswersAsFreshLookups(text);
}

#if !defined(_WIN32)
TEST(TimeZoneTest, LocalIsTheZoneTzNames) {
  const std::int64_t winter = utcSeconds(2026, 1, 15, 12, 0, 0);
  const std::int64_t summer = utcSeconds(2026, 7, 15, 12, 0, 0);
  const struct {
    std::optional<std::string> tz;
    std::optional<int> winterOffset;  // nullopt: refused
    int summerOffset;
  } cases[] = {
      {"America/New_York", -300, -240},
      {":Asia/Kolkata", 330, 330},
      {"", 0, 0},
      {"Nowhere/Land", std::nullopt, 0},
  };
  for (const auto& c : cases) {
    testing::Setting tz("TZ", c.tz);
    Message problem;
    std::optional<TimeZone> local = parseTimeZone("local", &problem);
    ASSERT_EQ(local.has_value(), c.winterOffset.has_value()) << *c.tz;
    if (!local) {
      EXPECT_NE(problem.text(Wording()).find("TZ names the local time zone: unknown time zone"),
                std::string::npos)
          << problem.text(Wording());
      continue;
    }
    EXPECT_EQ(local->offsetMinutesAt(winter), *c.winterOffset) << *c.tz;
    EXPECT_EQ(local->offsetMinutesAt(summer), c.summerOffset) << *c.tz;
  }
}

// Rules of the kind Windows keeps, for years when the zones kept them, must give the offsets and
// no longer intervals than the system's database does.
TEST(YearlyRuleTest, RulesGiveTheDatabasesOffsets) {
  const auto sunday = [](int month, int week, int hour) {
    return ChangeDay{month, week, 0, 0, hour * 3600};
  };
  const struct {
    std::string_view zone;
    YearlyRule rule;
    int firstYear;  // the first whole year the zone kept the rule
  } cases[] = {
      {"Europe/Berlin", YearlyRule{60, DaylightRule{120, sunday(3, 5, 2), sunday(10, 5, 3)}}, 1997},
      {"America/New_York", YearlyRule{-300, DaylightRule{-240, sunday(3, 2, 2), sunday(11, 1, 2)}},
       2008},
      {"Australia/Sydney", YearlyRule{600, DaylightRule{660, sunday(10, 1, 2), sunday(4, 1, 3)}},
       2009},
      {"Asia/Kolkata", YearlyRule{330, std::nullopt}, 1946},
  };
  for (const auto& c : cases) {
    TimeZone database = zoneOf(c.zone);
    const auto ruleOf = [&c](int) { return c.rule; };
    // The rules' intervals reach into the year before the instant's.
    const std::int64_t first = utcSeconds(c.firstYear + 1, 1, 1, 0, 0, 0);
    const std::int64_t last = utcSeconds(2036, 12, 31, 0, 0, 0);
    for (std::int64_t t = first; t < last; t += 7 * 3600 + 59) {
      const ZoneInterval interval = intervalOfYearlyRules(t, ruleOf);
      ASSERT_TRUE(interval.contains(t)) << c.zone << " at " << t;
      const int offset = database.offsetMinutesAt(t);
      ASSERT_EQ(interval.offsetMinutes, offset) << c.zone << " at " << t;
      ASSERT_EQ(database.offsetMinutesAt(interval.begin), offset) << c.zone << " at " << t;
      ASSERT_EQ(database.offsetMinutesAt(interval.end - 1), offset) << c.zone << " at " << t;
    }
  }
}
#endif

TEST(YearlyRuleTest, FixedDaysAndTheLastWeekdayFallWhereTheCalendarPutsThem) {
  // Daylight saving from 1 April 00:00 to the last Friday of September 01:00, an hour ahead.
  const YearlyRule rule{120,
                        DaylightRule{180, ChangeDay{4, 1, 0, 1, 0}, ChangeDay{9, 5, 5, 0, 3600}}};
  const auto ruleOf = [&rule](int) { return rule; };
  const struct {
    CivilTime time;
    int offset;
  } cases[] = {
      {at(2026, 3, 31, 23, 59, 59, 120), 120}, {at(2026, 4, 1, 1, 0, 0, 180), 180},
      {at(2026, 9, 25, 0, 59, 59, 180), 180},  {at(2026, 9, 25, 0, 0, 0, 120), 120},
      {at(2027, 9, 24, 0, 59, 59, 180), 180},  {at(2027, 9, 24, 0, 0, 0, 120), 120},
      {at(2026, 12, 31, 23, 0, 0, 120), 120},  {at(2027, 1, 1, 0, 0, 0, 120), 120},
  };
  for (const auto& c : cases) {
    const std::int64_t t = unixSecondsOf(c.time);
    const ZoneInterval interval = intervalOfYearlyRules(t, ruleOf);
    EXPECT_TRUE(interval.contains(t)) << dateLabelOf(c.time);
    EXPECT_EQ(interval.offsetMinutes, c.offset) << dateLabelOf(c.time) << " " << c.time.hour;
  }
}

}  // namespace
}  // namespace crawlmeter
