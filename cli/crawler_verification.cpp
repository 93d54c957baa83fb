// Loading the command's ranges, verifying a run's claims with the cache and the notices, and
// listing the spoofers.
#include "crawler_verification.h"

#include <cstdio>

#include "files/output_file.h"
#include "files/process_setup.h"
#include "terminal_text.h"
#include "verify/dns_cache.h"

namespace crawlmeter {
namespace {

const char* valueOf(const std::optional<std::string>& value) {
  return value ? value->c_str() : nullptr;
}

void warn(const std::string& text) {
  // A notice that cannot be written has nowhere else to go; the results still can be.
  writeStandardText(StandardStream::kError, "crawlmeter-report: " + text + '\n').ignore();
}

// Reverse DNS with the user's cache. DNS that cannot start verifies nothing, and says why: the
// ranges still verify what they can.
NameConfirmation dnsConfirmation(const CommandLine& line, const Wording& wording) {
  return [&line, &wording](std::span<const IpAddress> addresses) {
    DnsChoice choice;
    choice.server = line.dnsServer;
    const std::optional<std::string> cache = userDnsCacheFile(
        valueOf(environmentText("XDG_CACHE_HOME")), valueOf(environmentText("HOME")),
        valueOf(environmentText("LOCALAPPDATA")));
    const auto now =
        std::chrono::time_point_cast<std::chrono::seconds>(std::chrono::system_clock::now());
    Error cacheProblem;
    Expected<std::vector<DnsFinding>> found =
        confirmNamesCached(addresses, choice, cache, now, &cacheProblem);
    if (cacheProblem.failed()) {
      const Message text(translatable("cannot keep DNS answers in %s"), cache.value_or(""));
      warn(withReason(text.text(wording), cacheProblem, wording));
    }
    if (found.ok()) return found;
    const Message text(translatable("reverse DNS cannot be used, so it verified nothing"));
    warn(withReason(text.text(wording), found.error(), wording));
    return Expected<std::vector<DnsFinding>>(std::vector<DnsFinding>(addresses.size()));
  };
}

}  // namespace

Error loadCommandRanges(const CommandLine& line, CrawlerRanges* ranges) {
  RangesChoice choice;
  choice.files = line.rangeFiles;
  choice.userFolder =
      userRangesFolder(valueOf(environmentText("XDG_CONFIG_HOME")),
                       valueOf(environmentText("HOME")), valueOf(environmentText("APPDATA")));
  return loadRanges(choice, ranges);
}

ClaimVerification verifyCommandClaims(const CommandLine& line, const StatisticsTables& tables,
                                      std::vector<const VerificationMethod*> methods,
                                      const CrawlerRanges& ranges, std::chrono::sys_days today,
                                      const Wording& wording) {
  const NameConfirmation dns = line.verifyDns ? dnsConfirmation(line, wording) : NameConfirmation();
  Expected<ClaimVerification> verified = verifyClaims(tables.claims, methods, ranges, dns);
  // Only a cancel fails it, and this command cannot be cancelled but by a signal: verify by the
  // ranges alone then.
  if (verified.failed()) verified = verifyClaims(tables.claims, methods, ranges, {});
  const std::string stale = staleRangesNotice(verified->rangesDate, today, wording);
  if (!stale.empty()) warn(stale);
  return std::move(*verified);
}

std::string spooferListing(const ResultSource& source) {
  std::string text;
  for (const SpoofingAddress& spoofer : source.verification->spoofers) {
    text += spoofer.address + '\t' + source.catalogue->crawlers()[spoofer.crawler].name + '\t' +
            std::to_string(spoofer.lines) + '\t' + seenText(source, spoofer.first) + '\t' +
            seenText(source, spoofer.last) + '\n';
  }
  return text;
}

std::string staleRangesNotice(const std::string& rangesDate, std::chrono::sys_days today,
                              const Wording& wording) {
  int year = 0;
  unsigned month = 0, day = 0;
  if (std::sscanf(rangesDate.c_str(), "%d-%u-%u", &year, &month, &day) != 3) return "";
  const std::chrono::sys_days dated = std::chrono::year_month_day{
      std::chrono::year(year), std::chrono::month(month), std::chrono::day(day)};
  const auto age = (today - dated).count();
  if (age <= kStaleRangesDays) return "";
  return Message(translatable("the crawlers' address ranges date from %s, %s days ago: crawlers "
                              "may have moved since; give newer ranges with --crawler-ranges"),
                 rangesDate, std::to_string(age))
      .text(wording);
}

}  // namespace crawlmeter
