// The findings of reverse DNS kept on disk between runs, and the lookup that asks only for what
// they lack.
#include "verify/dns_cache.h"

#include <ares.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <string_view>

#include "files/log_file.h"
#include "files/replacement_file.h"

namespace crawlmeter {
namespace {

// The cache holds visitors' addresses: only the user reads it.
constexpr std::uint32_t kCacheMode = 0600;

bool isMappedV4(const IpAddress& address) {
  static constexpr std::uint8_t kPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
  return std::equal(std::begin(kPrefix), std::end(kPrefix), address.bytes.begin());
}

std::string addressText(const IpAddress& address) {
  char text[64] = {};
  const bool v4 = isMappedV4(address);
  ares_inet_ntop(v4 ? AF_INET : AF_INET6, address.bytes.data() + (v4 ? 12 : 0), text, sizeof text);
  return text;
}

std::optional<IpAddress> addressOf(std::string_view text) {
  const std::string terminated(text);
  IpAddress address;
  if (ares_inet_pton(AF_INET, terminated.c_str(), address.bytes.data() + 12) == 1) {
    address.bytes[10] = address.bytes[11] = 0xff;
    return address;
  }
  if (ares_inet_pton(AF_INET6, terminated.c_str(), address.bytes.data()) == 1) return address;
  return std::nullopt;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == text.npos) return parts;
    start = end + 1;
  }
}

Expected<std::string> readCacheFile(const std::string& path) {
  const Expected<LogFile> file = LogFile::open(path);
  if (file.failed()) return file.error().on(path);
  return readWhole(*file);
}

bool isFresh(std::chrono::sys_seconds learned, std::chrono::sys_seconds now) {
  // A time after now (a clock set back) is not trusted either.
  return learned <= now && now - learned <= DnsCache::kMaxAge;
}

}  // namespace

DnsCache DnsCache::load(const std::string& path, Error* problem) {
  DnsCache cache;
  const Expected<std::string> text = readCacheFile(path);
  if (text.failed()) {
    if (!isNotFound(text.error()) && problem != nullptr) *problem = text.error();
    return cache;
  }
  for (const std::string_view line : split(*text, '\n')) {
    const std::vector<std::string_view> fields = split(line, '\t');
    if (fields.size() != 3) continue;
    const std::optional<IpAddress> address = addressOf(fields[0]);
    std::int64_t seconds = 0;
    const auto [end, failure] =
        std::from_chars(fields[1].data(), fields[1].data() + fields[1].size(), seconds);
    if (!address || failure != std::errc() || end != fields[1].data() + fields[1].size()) continue;
    Entry entry{std::chrono::sys_seconds(std::chrono::seconds(seconds)), {}};
    if (!fields[2].empty()) {
      for (const std::string_view name : split(fields[2], ',')) entry.names.emplace_back(name);
    }
    cache.entries_[*address] = std::move(entry);
  }
  return cache;
}

std::optional<DnsFinding> DnsCache::find(const IpAddress& address,
                                         std::chrono::sys_seconds now) const {
  const auto found = entries_.find(address);
  if (found == entries_.end() || !isFresh(found->second.learned, now)) return std::nullopt;
  return DnsFinding{true, found->second.names};
}

void DnsCache::store(const IpAddress& address, const DnsFinding& finding,
                     std::chrono::sys_seconds now) {
  if (finding.answered) entries_[address] = Entry{now, finding.confirmedNames};
}

Error DnsCache::save(const std::string& path, std::chrono::sys_seconds now) const {
  std::string text;
  for (const auto& [address, entry] : entries_) {
    if (!isFresh(entry.learned, now)) continue;
    text += addressText(address) + "\t" + std::to_string(entry.learned.time_since_epoch().count()) +
            "\t";
    for (std::size_t i = 0; i < entry.names.size(); ++i) text += (i ? "," : "") + entry.names[i];
    text += "\n";
  }
  if (Error error = createFolders(folderOf(path)); error.failed()) return error;
  Expected<ReplacementFile> file = ReplacementFile::create(path);
  if (file.failed()) return file.error();
  if (Error error = file->write(text); error.failed()) return error;
  if (Error error = file->finish(FileKeeping{kCacheMode, 0, 0}); error.failed()) return error;
  return file->commit();
}

std::optional<std::string> userDnsCacheFile(const char* xdgCacheHome, const char* home,
                                            const char* localAppData) {
  constexpr std::string_view kRelativePath = "crawlmeter/dns.tsv";
  // A relative XDG_CACHE_HOME is invalid and ignored, as the base directory rules say.
  if (xdgCacheHome != nullptr &&
      (xdgCacheHome[0] == '/' || std::filesystem::u8path(xdgCacheHome).is_absolute())) {
    return std::string(xdgCacheHome) + "/" + std::string(kRelativePath);
  }
  if (home != nullptr && home[0] != '\0') {
    return std::string(home) + "/.cache/" + std::string(kRelativePath);
  }
  if (localAppData == nullptr || localAppData[0] == '\0') return std::nullopt;
  return std::string(localAppData) + "/" + std::string(kRelativePath);
}

Expected<std::vector<DnsFinding>> confirmNamesCached(std::span<const IpAddress> addresses,
                                                     const DnsChoice& choice,
                                                     const std::optional<std::string>& cachePath,
                                                     std::chrono::sys_seconds now,
                                                     Error* cacheProblem,
                                                     const std::function<bool()>& cancelRequested) {
  Error problem;
  DnsCache cache = cachePath ? DnsCache::load(*cachePath, &problem) : DnsCache();
  std::vector<IpAddress> missing;
  for (const IpAddress& address : addresses) {
    if (!cache.find(address, now)) missing.push_back(address);
  }
  std::sort(missing.begin(), missing.end());
  missing.erase(std::unique(missing.begin(), missing.end()), missing.end());
  std::vector<DnsFinding> learned;
  if (!missing.empty()) {
    Expected<std::vector<DnsFinding>> asked = confirmNames(missing, choice, cancelRequested);
    if (asked.failed()) return asked.error();
    learned = std::move(*asked);
  }
  for (std::size_t i = 0; i < missing.size(); ++i) cache.store(missing[i], learned[i], now);
  if (cachePath && !missing.empty()) {
    Error saved = cache.save(*cachePath, now);
    if (problem.ok()) problem = saved;
  }
  if (cacheProblem != nullptr) *cacheProblem = problem;
  std::vector<DnsFinding> findings;
  for (const IpAddress& address : addresses) {
    // An unanswered finding is not stored: it is found among those just learned.
    std::optional<DnsFinding> finding = cache.find(address, now);
    if (!finding) {
      const auto at = std::lower_bound(missing.begin(), missing.end(), address);
      finding = learned[static_cast<std::size_t>(at - missing.begin())];
    }
    findings.push_back(std::move(*finding));
  }
  return findings;
}

}  // namespace crawlmeter
