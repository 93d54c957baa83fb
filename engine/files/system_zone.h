// What the shared code of time_zone.cpp asks of linux/ and win32/: the system's zones and the
// offsets they have at an instant.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "base/wording.h"
#include "files/time_zone.h"

namespace crawlmeter {

// The zone the system's clock shows; null, with *problem saying why, when it cannot be told.
std::shared_ptr<const SystemZone> localSystemZone(Message* problem);

// The zone of the system's time-zone database called name; null, with *problem saying why, when
// the database has no such zone or this system has no database by name.
std::shared_ptr<const SystemZone> namedSystemZone(std::string_view name, Message* problem);

// The longest interval of one offset that zone has around unixSeconds that the system tells at
// one lookup.
ZoneInterval intervalOf(const SystemZone& zone, std::int64_t unixSeconds);

}  // namespace crawlmeter
