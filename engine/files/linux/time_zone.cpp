// The system's zones on Linux: the time-zone database in /usr/share/zoneinfo, read through the
// date library's tz (built to use the system's database, never a copy of its own). The library
// throws; nothing it throws leaves this file.
#include <date/tz.h>

#include <chrono>
#include <exception>
#include <optional>
#include <string>
#include <utility>

#include "files/process_setup.h"
#include "files/system_zone.h"

namespace crawlmeter {

struct SystemZone {
  const date::time_zone* zone;  // the library's database keeps it for the process's life
};

namespace {

// Loads the zone's transitions now (the library reads a zone's file at its first lookup), so that
// a zone whose file cannot be read fails where it is chosen and never at a lookup later.
std::shared_ptr<const SystemZone> loaded(const date::time_zone* zone) {
  (void)zone->get_info(std::chrono::sys_seconds{});
  return std::make_shared<const SystemZone>(SystemZone{zone});
}

std::int64_t secondsOf(date::sys_seconds time) { return time.time_since_epoch().count(); }

}  // namespace

std::shared_ptr<const SystemZone> namedSystemZone(std::string_view name, Message* problem) {
  try {
    (void)date::get_tzdb();  // reads the database's list of zones, once for the process
  } catch (const std::exception& failure) {
    *problem = Message(translatable("the system's time-zone database cannot be read (%s)"),
                       std::string(failure.what()));
    return nullptr;
  }
  const date::time_zone* zone = nullptr;
  try {
    zone = date::locate_zone(name);  // the library exports this one, not tzdb's
  } catch (const std::exception&) {
    *problem =
        Message(translatable("unknown time zone '%s': not in the system's time-zone database"),
                std::string(name));
    return nullptr;
  }
  try {
    return loaded(zone);
  } catch (const std::exception& failure) {
    *problem = Message(translatable("the time zone '%s' cannot be read from the system's "
                                    "time-zone database (%s)"),
                       std::string(name), std::string(failure.what()));
    return nullptr;
  }
}

ZoneInterval intervalOf(const SystemZone& zone, std::int64_t unixSeconds) {
  const date::sys_info info =
      zone.zone->get_info(date::sys_seconds{std::chrono::seconds{unixSeconds}});
  // Offsets of whole minutes: only the local mean times before standard time had seconds.
  return ZoneInterval{secondsOf(info.begin), secondsOf(info.end),
                      static_cast<int>(info.offset.count() / 60)};
}

std::shared_ptr<const SystemZone> localSystemZone(Message* problem) {
  // The C library's rule, which the date library does not follow: TZ when it is set (a name, ':'
  // before it allowed; empty is UTC), else /etc/localtime.
  if (std::optional<std::string> variable = environmentText("TZ")) {
    std::string_view name = *variable;
    if (!name.empty() && name.front() == ':') name.remove_prefix(1);
    Message why;
    std::shared_ptr<const SystemZone> zone = namedSystemZone(name.empty() ? "Etc/UTC" : name, &why);
    if (!zone) *problem = Message(translatable("TZ names the local time zone: %s"), std::move(why));
    return zone;
  }
  try {
    return loaded(date::current_zone());
  } catch (const std::exception& failure) {
    *problem = Message(translatable("the system's own time zone cannot be told (%s): give an "
                                    "offset such as +08:00 or UTC instead"),
                       std::string(failure.what()));
    return nullptr;
  }
}

}  // namespace crawlmeter
