// The verified and spoofed visits in the crawler reports.
#include "run/verification_report.h"

#include "run/report.h"

namespace crawlmeter {
namespace {

constexpr std::string_view kVerifiedHeading = "已验证";
constexpr std::string_view kSpoofedHeading = "冒充";
// Twelve columns, as the hour table's total row label.
constexpr std::string_view kVerifiedLabel = "已验证      ";
constexpr std::string_view kSpoofedLabel = "冒充        ";
constexpr std::string_view kNoMethodLine = "此蜘蛛的运营方未公布地址段或主机名，无法验证";

Count reportedTotal(const CountTable& table) {
  Count total = 0;
  for (std::size_t file = 0; file < table.fileCount(); ++file) total += table.total(file);
  return total;
}

}  // namespace

std::vector<std::string> verificationHeadings() {
  return {std::string(kVerifiedHeading), std::string(kSpoofedHeading)};
}

std::vector<std::string> verificationCells(const ClaimVerification& verification,
                                           const std::vector<std::size_t>& crawlers) {
  if (crawlers.size() == 1 && !verification.verifies(crawlers.front())) return {"-", "-"};
  Count verified = 0, spoofed = 0;
  for (std::size_t crawler : crawlers) {
    if (!verification.verifies(crawler)) continue;
    verified += reportedTotal(verification.splits[crawler].verified);
    spoofed += reportedTotal(verification.splits[crawler].spoofed);
  }
  return {std::to_string(verified), std::to_string(spoofed)};
}

std::string verificationBasis(const ClaimVerification& verification) {
  std::string text = "验证依据：运营方公布的地址段（" + verification.rangesDate + "）";
  if (verification.askedDns) text += "及反向DNS";
  return text;
}

std::string crawlerVerificationText(const ClaimVerification& verification, std::size_t crawler,
                                    std::string_view lineEnd) {
  const std::string paragraphEnd = std::string(lineEnd) + std::string(lineEnd);
  if (!verification.verifies(crawler)) return std::string(kNoMethodLine) + paragraphEnd;
  const ClaimSplit& split = verification.splits[crawler];
  return totalsRow(kVerifiedLabel, split.verified) + paragraphEnd +
         totalsRow(kSpoofedLabel, split.spoofed) + paragraphEnd + verificationBasis(verification) +
         paragraphEnd;
}

}  // namespace crawlmeter
