// The section on real and fake crawlers, with a bar of three shares per crawler.
#include "formats/html_verification.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "formats/text_escape.h"
#include "run/crawler_report.h"

namespace crawlmeter {
namespace {

// The spoofing addresses the page lists: enough to act on, few enough to read.
constexpr std::size_t kSpoofersShown = 10;

struct Share {
  std::string_view label;
  std::string_view colour;
};
constexpr std::array<Share, 3> kShares = {
    {{"已验证", "#59a14f"}, {"冒充", "#e15759"}, {"无法验证", "#bab0ac"}}};

Count reportedTotal(const CountTable& table) {
  Count total = 0;
  for (std::size_t file = 0; file < table.fileCount(); ++file) total += table.total(file);
  return total;
}

void shareCells(Markup& page, const std::array<Count, 3>& counts) {
  const Count all = counts[0] + counts[1] + counts[2];
  page << "<td>";
  for (std::size_t i = 0; i < kShares.size(); ++i) {
    const double percent = all == 0 ? 0.0 : 100.0 * static_cast<double>(counts[i]) / all;
    page << "<span class=\"share\" title=\"" << kShares[i].label << ' ' << percent
         << "%\" style=\"width:" << percent * 2 << "px;background:" << kShares[i].colour
         << "\"></span>";
  }
  page << "</td>";
  for (Count count : counts) page << "<td class=\"n\">" << count << "</td>";
}

void shareTable(Markup& page, const ResultSource& source, const std::vector<std::size_t>& shown) {
  page << "<table id=\"verification-shares\"><thead><tr><th scope=\"col\">蜘蛛</th>"
       << "<th scope=\"col\">占比</th>";
  for (const Share& share : kShares) page << "<th scope=\"col\">" << share.label << "</th>";
  page << "</tr></thead><tbody>\n";
  for (std::size_t crawler : shown) {
    const ClaimSplit& split = source.verification->splits[crawler];
    const Count claimed = crawlerVisits(source.tables, {crawler}).back();
    const Count verified = reportedTotal(split.verified), spoofed = reportedTotal(split.spoofed);
    const std::string& name = source.catalogue->crawlers()[crawler].name;
    page << "<tr data-crawler=\"" << htmlEscaped(name) << "\"><th scope=\"row\">"
         << htmlEscaped(name) << "</th>";
    shareCells(page, {verified, spoofed, claimed - verified - spoofed});
    page << "</tr>\n";
  }
  page << "</tbody></table>\n";
}

void spooferTable(Markup& page, const ResultSource& source) {
  const std::vector<SpoofingAddress>& spoofers = source.verification->spoofers;
  if (spoofers.empty()) {
    page << "<p class=\"note\">没有地址冒充这些蜘蛛。</p>\n";
    return;
  }
  page << "<h3>冒充最多的地址</h3><table id=\"spoofers\"><thead><tr><th scope=\"col\">地址</th>"
       << "<th scope=\"col\">自称</th><th scope=\"col\">次数</th><th scope=\"col\">首次出现</th>"
       << "<th scope=\"col\">最后出现</th></tr></thead><tbody>\n";
  for (std::size_t i = 0; i < spoofers.size() && i < kSpoofersShown; ++i) {
    const SpoofingAddress& spoofer = spoofers[i];
    page << "<tr><td>" << htmlEscaped(spoofer.address) << "</td><td>"
         << htmlEscaped(source.catalogue->crawlers()[spoofer.crawler].name)
         << "</td><td class=\"n\">" << spoofer.lines << "</td><td>"
         << htmlEscaped(seenText(source, spoofer.first)) << "</td><td>"
         << htmlEscaped(seenText(source, spoofer.last)) << "</td></tr>\n";
  }
  page << "</tbody></table>\n";
}

}  // namespace

void verificationSection(Markup& page, const ResultSource& source,
                         const std::vector<std::size_t>& seen) {
  const ClaimVerification* verification = source.verification;
  if (verification == nullptr || source.catalogue == nullptr) return;
  page << "<section id=\"verification\"><h2>真假蜘蛛</h2><p class=\"note\">依据运营方公布的地址段（"
       << htmlEscaped(verification->rangesDate) << " 的快照）"
       << (verification->askedDns ? "及反向DNS验证" : "验证；未查询DNS") << "。</p>\n";
  std::vector<std::size_t> shown;
  std::copy_if(seen.begin(), seen.end(), std::back_inserter(shown),
               [&](std::size_t crawler) { return verification->verifies(crawler); });
  if (shown.empty()) {
    page << "<p class=\"note\">这些日志中没有可以验证的蜘蛛访问。</p></section>\n";
    return;
  }
  shareTable(page, source, shown);
  spooferTable(page, source);
  page << "</section>\n";
}

}  // namespace crawlmeter
