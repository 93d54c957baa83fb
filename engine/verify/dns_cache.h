// What reverse DNS confirmed, kept on disk between runs so that a second run over the same logs
// asks nothing: one line per address, ADDRESS<TAB>UNIX_SECONDS<TAB>NAME[,NAME...], the names
// empty when the address was answered without a confirmed name. Only answered findings are kept,
// each for a week.
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/error.h"
#include "verify/dns_finding.h"
#include "verify/dns_lookup.h"
#include "verify/ip_address.h"

namespace crawlmeter {

class DnsCache {
 public:
  static constexpr std::chrono::seconds kMaxAge{7 * 24 * 60 * 60};

  // The cache at path. A missing file is an empty cache; a line that cannot be read is skipped;
  // a file that cannot be read gives an empty cache and the Error, for a warning.
  static DnsCache load(const std::string& path, Error* problem);

  // The finding learned of address at most kMaxAge before now; nullopt when there is none.
  std::optional<DnsFinding> find(const IpAddress& address, std::chrono::sys_seconds now) const;
  // Keeps an answered finding as learned at now; an unanswered one is not kept.
  void store(const IpAddress& address, const DnsFinding& finding, std::chrono::sys_seconds now);
  // Writes the whole cache to path (a new file beside it, then renamed over it), creating its
  // folder, without the findings older than kMaxAge at now. Nothing else happens when it fails.
  Error save(const std::string& path, std::chrono::sys_seconds now) const;

 private:
  struct Entry {
    std::chrono::sys_seconds learned;
    std::vector<std::string> names;
  };
  std::map<IpAddress, Entry> entries_;
};

// $XDG_CACHE_HOME/crawlmeter/dns.tsv (~/.cache when that is unset, empty or relative, and
// Windows' %LOCALAPPDATA% where there is no home either), given the variables (UTF-8); nullopt
// when none says where the cache lives.
std::optional<std::string> userDnsCacheFile(const char* xdgCacheHome, const char* home,
                                            const char* localAppData = nullptr);

// confirmNames() for the addresses the cache at cachePath lacks (every address without a cache),
// the others from the cache; the new answered findings are saved in it. A cache that cannot be
// read or written never fails the call: the first such failure goes to *cacheProblem (when it is
// not null), for a warning.
Expected<std::vector<DnsFinding>> confirmNamesCached(
    std::span<const IpAddress> addresses, const DnsChoice& choice,
    const std::optional<std::string>& cachePath, std::chrono::sys_seconds now, Error* cacheProblem,
    const std::function<bool()>& cancelRequested = {});

}  // namespace crawlmeter
