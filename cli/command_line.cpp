// Argument parsing for crawlmeter-report: long options, "--opt=value" or "--opt value", and "--"
// before file names that begin with a dash.
#include "command_line.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <limits>
#include <string_view>
#include <utility>

#include "formats/result_series.h"
#include "verify/dns_lookup.h"

namespace crawlmeter {
namespace {

bool applyKind(const std::string& value, CommandLine& line, Message* error) {
  line.crawler.reset();
  line.crawlerTable = value == "bots";
  line.allKinds = value == "all";
  line.people = value == kPeopleKindName;
  if (line.crawlerTable || line.allKinds || line.people) return true;
  if (value.starts_with(kCrawlerKindPrefix)) {
    line.crawler = value.substr(kCrawlerKindPrefix.size());
    if (line.crawler->empty())
      *error = Message(translatable("--kind bot:NAME needs a crawler's name"));
    return !line.crawler->empty();
  }
  const std::optional<StatCategory> kind = kindNamed(value);
  if (!kind) {
    *error = Message(translatable("unknown kind '%s' (pv, ip, sogou, bing, baidu, youdao, yahoo, "
                                  "google, humans, all, bots or bot:NAME)"),
                     value);
    return false;
  }
  line.kind = *kind;
  return true;
}

bool applyFormat(const std::string& value, CommandLine& line, Message* error) {
  static constexpr std::array<std::pair<std::string_view, OutputFormat>, 3> kFormats = {
      {{"text", OutputFormat::kText}, {"csv", OutputFormat::kCsv}, {"json", OutputFormat::kJson}}};
  for (const auto& [name, format] : kFormats) {
    if (name == value) {
      line.format = format;
      return true;
    }
  }
  *error = Message(translatable("unknown format '%s' (text, csv or json)"), value);
  return false;
}

// A format's name, or the format line of the server's configuration.
bool applyLogFormat(const std::string& value, CommandLine& line, Message* error) {
  line.reading.format = logFormatNamed(value);
  if (line.reading.format) return true;
  // A word without a field in it is a name mistyped, not a format.
  if (value.find_first_of("$%") == std::string::npos) {
    *error = Message(translatable("unknown log format '%s' (positional, w3c, json or vhost, or "
                                  "a log_format or LogFormat line of the server's configuration)"),
                     value);
    return false;
  }
  std::optional<LogTemplate> format = parseLogTemplate(value, error);
  if (!format) return false;
  line.reading.format = LogFormat::kUserFormat;
  line.reading.userFormat = std::make_shared<const LogTemplate>(std::move(*format));
  return true;
}

bool applyJsonKeys(const std::string& value, CommandLine& line, Message* error) {
  std::optional<JsonKeys> keys = parseJsonKeys(value, error);
  if (keys) line.reading.jsonKeys = std::make_shared<const JsonKeys>(std::move(*keys));
  return keys.has_value();
}

bool applyTimeZone(const std::string& value, CommandLine& line, Message* error) {
  line.reading.timeZone = parseTimeZone(value, error);
  return line.reading.timeZone.has_value();
}

// The options of crawler verification; false when name is none of them.
bool applyVerification(const std::string& name, const std::optional<std::string>& value,
                       CommandLine& line, Message* error) {
  if (name == "--verify") return line.verify = true;
  if (name == "--verify-dns") return line.verify = line.verifyDns = true;
  if (name == "--list-spoofers") return line.verify = line.listSpoofers = true;
  if (name != "--dns-server") return false;
  if (const Error bad = checkDnsServer(*value); bad.failed()) {
    *error = Message(translatable("--dns-server wants ADDRESS or ADDRESS:PORT ([ADDRESS]:PORT "
                                  "for IPv6), not '%s'"),
                     *value);
  }
  line.dnsServer = *value;
  return true;
}

// A size in bytes: digits, then K, M, G or T (binary multiples; an i or a B may follow).
std::optional<std::uint64_t> parseSize(const std::string& text) {
  std::size_t at = 0;
  std::uint64_t value = 0;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
    if (value > (std::numeric_limits<std::uint64_t>::max() - 9) / 10) return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(text[at++] - '0');
  }
  if (at == 0) return std::nullopt;
  std::string unit = text.substr(at);
  for (char& c : unit) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  static const std::string kUnits = "KMGT";
  int shift = 0;
  if (!unit.empty() && kUnits.find(unit[0]) != std::string::npos) {
    shift = 10 * (1 + static_cast<int>(kUnits.find(unit[0])));
    unit.erase(0, 1);
    if (unit.starts_with("I")) unit.erase(0, 1);
  }
  if (unit != "" && unit != "B") return std::nullopt;
  if (shift > 0 && value > std::numeric_limits<std::uint64_t>::max() >> shift) return std::nullopt;
  return value << shift;
}

bool applyMemoryLimit(const std::string& value, CommandLine& line, Message* error) {
  const std::optional<std::uint64_t> bytes = parseSize(value);
  if (!bytes || *bytes == 0) {
    *error =
        Message(translatable("--memory-limit wants a size such as 512M or 4G, not '%s'"), value);
    return false;
  }
  line.memoryLimit = *bytes;
  return true;
}

// A file-name option's value; false with *error set when it is empty.
bool applyFileName(const std::string& name, const std::string& value,
                   std::optional<std::string>& target, Message* error) {
  if (value.empty()) *error = Message(translatable("option %s needs a file name"), name);
  target = value;
  return !value.empty();
}

// Splits "--name=value" into name and value.
std::pair<std::string, std::optional<std::string>> splitOption(const std::string& argument) {
  const std::size_t equals = argument.find('=');
  if (equals == std::string::npos) return {argument, std::nullopt};
  return {argument.substr(0, equals), argument.substr(equals + 1)};
}

// Applies one option; false with *error set when it is wrong.
bool applyOption(const std::string& argument, const std::vector<std::string>& arguments,
                 std::size_t& next, CommandLine& line, Message* error) {
  auto [name, value] = splitOption(argument);
  const bool takesValue = name == "--kind" || name == "--output" || name == "--crawlers" ||
                          name == "--format" || name == "--html" || name == "--log-format" ||
                          name == "--json-keys" || name == "--time-zone" ||
                          name == "--dns-server" || name == "--crawler-ranges" ||
                          name == "--memory-limit";
  if (takesValue && !value) {
    if (next >= arguments.size()) {
      *error = Message(translatable("option %s needs a value"), name);
      return false;
    }
    value = arguments[next++];
  } else if (!takesValue && value) {
    *error = Message(translatable("option %s takes no value"), name);
    return false;
  }
  if (name == "--kind") return applyKind(*value, line, error);
  if (name == "--format") return applyFormat(*value, line, error);
  if (name == "--log-format") return applyLogFormat(*value, line, error);
  if (name == "--time-zone") return applyTimeZone(*value, line, error);
  if (name == "--memory-limit") return applyMemoryLimit(*value, line, error);
  if (name == "--json-keys") return applyJsonKeys(*value, line, error);
  if (name == "--bom") return line.byteOrderMark = true;
  if (name == "--html") return applyFileName(name, *value, line.html, error);
  if (name == "--crawlers" || name == "--crawler-ranges") {
    if (value->empty()) *error = Message(translatable("option %s needs a file name"), name);
    (name == "--crawlers" ? line.crawlerFiles : line.rangeFiles).push_back(*value);
    return !value->empty();
  }
  if (applyVerification(name, value, line, error)) return error->empty();
  if (name == "--no-builtin-crawlers") {
    line.builtInCrawlers = false;
    return true;
  }
  if (name == "--list-crawlers") return line.listCrawlers = true;
  if (name == "--progress" || name == "--no-progress") {
    line.progress = name == "--progress" ? ProgressChoice::kAlways : ProgressChoice::kNever;
    return true;
  }
  if (name == "--output") return applyFileName(name, *value, line.output, error);
  if (name == "--rewrite-line-ends") return line.rewriteLineEnds = true;
  if (name == "--help" || name == "-h") return line.help = true;
  if (name == "--version") return line.version = true;
  *error = Message(translatable("unknown option %s"), argument);
  return false;
}

}  // namespace

// xgettext:no-c-format
const char* const kUsage = translatable(
    "Usage: crawlmeter-report [--kind KIND] [--format FORMAT] [--bom] [--output FILE]\n"
    "                         [--html FILE] [--rewrite-line-ends] [--crawlers FILE]...\n"
    "                         [--no-builtin-crawlers] [--log-format FORMAT]\n"
    "                         [--json-keys KEYS] [--time-zone ZONE] [--verify]\n"
    "                         [--verify-dns] [--dns-server ADDRESS[:PORT]]\n"
    "                         [--crawler-ranges FILE]... [--list-spoofers]\n"
    "                         [--memory-limit SIZE] LOGFILE...\n"
    "       crawlmeter-report [--crawlers FILE]... [--no-builtin-crawlers]\n"
    "                         [--crawler-ranges FILE]... --list-crawlers\n"
    "Counts page views, distinct visiting IPs or one crawler's visits per hour in access logs\n"
    "(one file a day) and prints the report table. A log may be compressed with gzip, bzip2,\n"
    "xz or zstd; LOGFILE - reads standard input (plain or compressed). Output is UTF-8; a\n"
    "Windows console is written as characters, so Chinese shows whatever its code page.\n"
    "\n"
    "  --kind KIND           pv (default), ip, sogou, bing, baidu, youdao, yahoo or google;\n"
    "                        bot:NAME for one crawler of the catalogue, bots for the table\n"
    "                        of every crawler seen, by category; humans for the page views\n"
    "                        no crawler, tool or scanner claims; all for the eight kinds,\n"
    "                        then people's and the crawlers\n"
    "  --format FORMAT       text (default: the report table), csv (file,date,kind,hour,count\n"
    "                        rows) or json (one document; its schema is in the README)\n"
    "  --bom                 start CSV with a byte-order mark, for spreadsheet programs\n"
    "  --output FILE         text: also write the report to FILE as the window's export does\n"
    "                        (code page 936, CR LF line ends); csv, json: write them to FILE\n"
    "                        (UTF-8) in place of standard output; FILE - is standard output\n"
    "  --html FILE           also write a self-contained HTML page with charts of the page\n"
    "                        views, IPs and crawlers per hour; FILE - is standard output\n"
    "  --rewrite-line-ends   convert logs whose lines end in a bare LF to CR LF on disk\n"
    "                        (by default no log file is ever changed; compressed logs and\n"
    "                        standard input never are)\n"
    "  --progress            always show progress on standard error\n"
    "  --no-progress         never show it (by default it shows on a terminal once a run\n"
    "                        lasts a second)\n"
    "  --crawlers FILE       add the crawlers in FILE (NAME<TAB>CATEGORY<TAB>TEXT lines)\n"
    "                        before the built-in ones; may be given more than once\n"
    "  --no-builtin-crawlers use only the crawlers of --crawlers files and of\n"
    "                        $XDG_CONFIG_HOME/crawlmeter/crawlers.tsv (on Windows,\n"
    "                        %APPDATA%\\crawlmeter\\crawlers.tsv)\n"
    "  --log-format FORMAT   read every log in FORMAT: positional, w3c, json or vhost, or the\n"
    "                        log_format (nginx) or LogFormat (Apache) line of the server's\n"
    "                        configuration (by default each log's first line tells it)\n"
    "  --json-keys KEYS      the keys of a JSON log: address=KEY,time=KEY[,agent=KEY], with\n"
    "                        dotted paths for nested keys\n"
    "  --time-zone ZONE      count hours in ZONE (local, UTC, +0800, Asia/Shanghai), not as\n"
    "                        the log writes them\n"
    "  --verify              tell real crawlers from addresses that only write their names:\n"
    "                        bots, bot:NAME, csv and json add each crawler's verified visits\n"
    "                        (from the address ranges its operator publishes) and spoofed\n"
    "                        ones (from addresses that fail them)\n"
    "  --verify-dns          --verify, and also ask DNS: a reverse lookup whose name must\n"
    "                        have the operator's domain and lead back to the address (the\n"
    "                        only option that makes network requests; answers are kept for\n"
    "                        7 days in $XDG_CACHE_HOME/crawlmeter/dns.tsv)\n"
    "  --dns-server ADDRESS[:PORT]\n"
    "                        the DNS server --verify-dns asks (by default the system's)\n"
    "  --crawler-ranges FILE an operator's ranges file (googlebot.json, bingbot.json...) to\n"
    "                        use in place of the built-in copy; may be given more than once;\n"
    "                        those in $XDG_CONFIG_HOME/crawlmeter/ranges/ are read too\n"
    "  --list-spoofers       print the addresses that claimed a crawler's name and failed its\n"
    "                        check, most lines first: ADDRESS, NAME, LINES, FIRST SEEN and\n"
    "                        LAST SEEN between tabs\n"
    "  --memory-limit SIZE   the memory the distinct IPs of an hour may take (512M, 4G...;\n"
    "                        by default a quarter of the machine's); beyond it they are kept\n"
    "                        in temporary files, removed at the end, and counted exactly\n"
    "  --list-crawlers       print the crawler catalogue in effect, in priority order, with\n"
    "                        how each crawler is verified and the ranges' dates\n"
    "  --help                show this help\n"
    "  --version             show the version\n"
    "\n"
    "Exit status: 0 success, 1 a file could not be read or written, 2 wrong usage.\n");

std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& arguments,
                                            Message* error) {
  CommandLine line;
  bool optionsEnded = false;
  for (std::size_t next = 0; next < arguments.size();) {
    const std::string& argument = arguments[next++];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      line.files.push_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (!applyOption(argument, arguments, next, line, error)) {
      return std::nullopt;
    }
  }
  if (std::count(line.files.begin(), line.files.end(), "-") > 1) {
    *error = Message(translatable("standard input (-) can be read only once"));
    return std::nullopt;
  }
  if (line.byteOrderMark && line.format != OutputFormat::kCsv) {
    *error = Message(translatable("--bom goes with --format csv"));
    return std::nullopt;
  }
  if (line.dnsServer && !line.verifyDns) {
    *error = Message(translatable("--dns-server goes with --verify-dns"));
    return std::nullopt;
  }
  if (line.listSpoofers && line.format != OutputFormat::kText) {
    *error =
        Message(translatable("--list-spoofers prints a list of its own: it takes no --format"));
    return std::nullopt;
  }
  if (line.files.empty() && !line.help && !line.version && !line.listCrawlers) {
    *error = Message(translatable("no log file given"));
    return std::nullopt;
  }
  return line;
}

}  // namespace crawlmeter
