// Parsing and checking catalogue files, and choosing the files a user's catalogue is made of.
#include "catalogue/crawler_catalogue.h"

#include <algorithm>

#include "catalogue/agent_rules.h"
#include "codec/cp936.h"
#include "files/config_folder.h"
#include "files/log_file.h"

namespace crawlmeter {
namespace {

// A catalogue is a short list; a file far larger than any real one was named by mistake.
constexpr std::uint64_t kLargestCatalogueBytes = 16 << 20;

std::optional<CrawlerCategory> categoryNamed(std::string_view name) {
  for (const CategoryRow& row : kCategories) {
    if (row.code == name) return row.category;
  }
  return std::nullopt;
}

struct ParsedLine {
  std::string_view name, category, text;
  std::optional<std::string_view> letterCase;  // the fourth column, when there is one
};

// The word of the fourth column that lets a text match in any letter case.
constexpr std::string_view kAnyCaseWord = "nocase";

// A line that is wrong: its path and number are the caller's to add.
Error badLine(Message problem) {
  return Error::described(Error::What::kCatalogue, {}, std::move(problem));
}

// Splits a data line into its three or four fields; the problem when it has fewer or more.
Expected<ParsedLine> splitFields(std::string_view line) {
  const std::size_t first = line.find('\t');
  const std::size_t second = first == std::string_view::npos ? first : line.find('\t', first + 1);
  if (second == std::string_view::npos) {
    return badLine(
        Message(translatable("expected NAME<TAB>CATEGORY<TAB>TEXT, found fewer than two tabs")));
  }
  const std::size_t third = line.find('\t', second + 1);
  if (third != std::string_view::npos && line.find('\t', third + 1) != std::string_view::npos) {
    return badLine(Message(translatable(
        "expected NAME<TAB>CATEGORY<TAB>TEXT<TAB>nocase at most, found a fourth tab")));
  }
  ParsedLine parsed{
      line.substr(0, first), line.substr(first + 1, second - first - 1),
      line.substr(second + 1, third == std::string_view::npos ? third : third - second - 1),
      std::nullopt};
  if (third != std::string_view::npos) parsed.letterCase = line.substr(third + 1);
  return parsed;
}

// "PATH:LINE", built by appending: GCC 12 warns wrongly about the temporaries of operator+.
std::string withLine(std::string path, std::size_t line) {
  path += ':';
  path += std::to_string(line);
  return path;
}

struct CheckedLine {
  std::string_view name;
  CrawlerCategory category;
  std::string_view text;
  std::string encoded;  // the text in code page 936
  bool anyCase;
};

// The fields of a data line, checked; otherwise the problem (kCatalogue), or the codec's error.
Expected<CheckedLine> checkLine(std::string_view line) {
  const Expected<ParsedLine> fields = splitFields(line);
  if (fields.failed()) return fields.error();
  if (fields->name.empty()) return badLine(Message(translatable("the crawler's name is empty")));
  const std::optional<CrawlerCategory> category = categoryNamed(fields->category);
  if (!category) {
    return badLine(Message(
        translatable("unknown category '%s' (search, ai, seo, social, monitor, archive, tool, "
                     "scanner or other)"),
        std::string(fields->category)));
  }
  if (fields->text.empty()) return badLine(Message(translatable("the identifying text is empty")));
  if (fields->letterCase && *fields->letterCase != kAnyCaseWord) {
    return badLine(Message(
        translatable("unknown fourth column '%s' (nocase, or no fourth column for exact case)"),
        std::string(*fields->letterCase)));
  }
  const Expected<std::string> encoded = encodeCp936(fields->text);
  if (encoded.failed()) return encoded.error();
  const Expected<std::string> decoded = decodeCp936(*encoded);
  if (decoded.failed() || *decoded != fields->text) {
    return badLine(
        Message(translatable("the text '%s' holds characters that code page 936 cannot hold"),
                std::string(fields->text)));
  }
  return CheckedLine{fields->name, *category, fields->text, *encoded,
                     fields->letterCase.has_value()};
}

}  // namespace

const CategoryRow& categoryRow(CrawlerCategory category) {
  return kCategories[static_cast<std::size_t>(category)];
}

void CrawlerCatalogue::addAgentRules() {
  firstRuleCrawler_ = crawlers_.size();
  for (const AgentRuleRow& rule : kAgentRules) {
    crawlers_.push_back(Crawler{std::string(rule.name), rule.category});
  }
}

std::optional<std::size_t> CrawlerCatalogue::find(std::string_view name) const {
  for (std::size_t i = 0; i < crawlers_.size(); ++i) {
    if (crawlers_[i].name == name) return i;
  }
  return std::nullopt;
}

Error CrawlerCatalogue::add(std::string_view text, const std::string& path) {
  CrawlerCatalogue grown = *this;
  std::size_t number = 0;
  for (std::size_t begin = 0; begin < text.size() || number == 0;) {
    const std::size_t lineEnd = std::min(text.find('\n', begin), text.size());
    std::string_view line = text.substr(begin, lineEnd - begin);
    begin = lineEnd + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);  // a file saved with CR LF
    if (line.empty() || line.front() == '#') continue;
    const Expected<CheckedLine> checked = checkLine(line);
    if (checked.failed()) {
      Error error = checked.error().on(path);
      error.line = number;
      return error;
    }
    std::optional<std::size_t> crawler = grown.find(checked->name);
    if (!crawler) {
      crawler = grown.crawlers_.size();
      grown.crawlers_.push_back(Crawler{std::string(checked->name), checked->category});
    }
    const std::string source = path == kBuiltInSource ? path : withLine(path, number);
    grown.lines_.push_back(CatalogueLine{*crawler, std::string(checked->text), checked->encoded,
                                         source, checked->anyCase});
  }
  *this = std::move(grown);
  return Error();
}

Error CrawlerCatalogue::addFile(const std::string& path) {
  const Expected<LogFile> file = LogFile::open(path);
  if (file.failed()) return file.error().on(path);
  if (file->identity().size > kLargestCatalogueBytes) {
    return Error::described(
        Error::What::kCatalogue, path,
        Message(translatable("the file is too large to be a crawler catalogue")));
  }
  const Expected<std::string> text = readWhole(*file);
  if (text.failed()) return text.error();
  return add(*text, path);
}

Error loadCatalogue(const CatalogueChoice& choice, CrawlerCatalogue* catalogue) {
  CrawlerCatalogue loaded;
  for (const std::string& file : choice.files) {
    if (Error error = loaded.addFile(file); error.failed()) return error;
  }
  if (choice.userFile) {
    const Expected<FileIdentity> exists = currentIdentity(*choice.userFile);
    if (exists.ok() || !isNotFound(exists.error())) {
      if (Error error = loaded.addFile(*choice.userFile); error.failed()) return error;
    }
  }
  if (choice.builtIn) {
    Error error = loaded.add(builtInCatalogueText(), std::string(kBuiltInSource));
    if (error.failed()) return error;
    loaded.addAgentRules();
  }
  *catalogue = std::move(loaded);
  return Error();
}

std::optional<std::string> userCatalogueFile(const char* xdgConfigHome, const char* home,
                                             const char* appData) {
  std::optional<std::string> folder = userConfigFolder(xdgConfigHome, home, appData);
  if (folder) *folder += "/crawlers.tsv";
  return folder;
}

std::string catalogueErrorMessage(const Error& error, const Wording& wording) {
  std::string text = error.line != 0 ? withLine(error.path, error.line) : error.path;
  text += ": ";
  switch (error.what) {
    case Error::What::kCatalogue:
      return text + error.detail.text(wording);
    case Error::What::kConvert:
      text += wording.text(translatable("cannot convert the text to code page 936"));
      break;
    default:
      text += wording.text(translatable("cannot read the crawler catalogue"));
      break;
  }
  return withReason(std::move(text), error, wording);
}

}  // namespace crawlmeter
