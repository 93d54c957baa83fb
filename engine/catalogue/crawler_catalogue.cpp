// Parsing and checking catalogue files, and choosing the files a user's catalogue is made of.
#include "catalogue/crawler_catalogue.h"

#include <algorithm>
#include <filesystem>

#include "codec/cp936.h"
#include "files/log_file.h"

namespace crawlmeter {
namespace {

// A catalogue is a short list; a file far larger than any real one was named by mistake.
constexpr std::uint64_t kLargestCatalogueBytes = 16 << 20;

std::optional<CrawlerCategory> categoryNamed(std::string_view name) {
  for (std::size_t i = 0; i < kCategoryNames.size(); ++i) {
    if (kCategoryNames[i] == name) return static_cast<CrawlerCategory>(i);
  }
  return std::nullopt;
}

struct ParsedLine {
  std::string_view name, category, text;
};

// A line that is wrong: its path and number are the caller's to add.
Error badLine(Message problem) {
  return Error::described(Error::What::kCatalogue, {}, std::move(problem));
}

// Splits a data line into its three fields; the problem when it has not exactly three.
Expected<ParsedLine> splitFields(std::string_view line) {
  const std::size_t first = line.find('\t');
  const std::size_t second = first == std::string_view::npos ? first : line.find('\t', first + 1);
  if (second == std::string_view::npos) {
    return badLine(
        Message(translatable("expected NAME<TAB>CATEGORY<TAB>TEXT, found fewer than two tabs")));
  }
  if (line.find('\t', second + 1) != std::string_view::npos) {
    return badLine(Message(translatable("expected NAME<TAB>CATEGORY<TAB>TEXT, found a third tab")));
  }
  return ParsedLine{line.substr(0, first), line.substr(first + 1, second - first - 1),
                    line.substr(second + 1)};
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
};

// The fields of a data line, checked; otherwise the problem (kCatalogue), or the codec's error.
Expected<CheckedLine> checkLine(std::string_view line) {
  const Expected<ParsedLine> fields = splitFields(line);
  if (fields.failed()) return fields.error();
  if (fields->name.empty()) return badLine(Message(translatable("the crawler's name is empty")));
  const std::optional<CrawlerCategory> category = categoryNamed(fields->category);
  if (!category) {
    return badLine(Message(
        translatable("unknown category '%s' (search, ai, seo, social, monitor, archive or other)"),
        std::string(fields->category)));
  }
  if (fields->text.empty()) return badLine(Message(translatable("the identifying text is empty")));
  const Expected<std::string> encoded = encodeCp936(fields->text);
  if (encoded.failed()) return encoded.error();
  const Expected<std::string> decoded = decodeCp936(*encoded);
  if (decoded.failed() || *decoded != fields->text) {
    return badLine(
        Message(translatable("the text '%s' holds characters that code page 936 cannot hold"),
                std::string(fields->text)));
  }
  return CheckedLine{fields->name, *category, fields->text, *encoded};
}

}  // namespace

std::string_view categoryName(CrawlerCategory category) {
  return kCategoryNames[static_cast<std::size_t>(category)];
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
    grown.lines_.push_back(
        CatalogueLine{*crawler, std::string(checked->text), checked->encoded, source});
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
  std::string text(file->identity().size, '\0');
  std::size_t filled = 0;
  while (filled < text.size()) {
    const Expected<std::size_t> read =
        file->readAt(text.data() + filled, text.size() - filled, filled);
    if (read.failed()) return read.error().on(path);
    if (*read == 0) break;  // the file shrank meanwhile
    filled += *read;
  }
  text.resize(filled);
  return add(text, path);
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
  }
  *catalogue = std::move(loaded);
  return Error();
}

std::optional<std::string> userCatalogueFile(const char* xdgConfigHome, const char* home,
                                             const char* appData) {
  constexpr std::string_view kRelativePath = "crawlmeter/crawlers.tsv";
  // A relative XDG_CONFIG_HOME is invalid and ignored, as the base directory rules say.
  if (xdgConfigHome != nullptr &&
      (xdgConfigHome[0] == '/' || std::filesystem::u8path(xdgConfigHome).is_absolute())) {
    return std::string(xdgConfigHome) + "/" + std::string(kRelativePath);
  }
  if (home != nullptr && home[0] != '\0') {
    return std::string(home) + "/.config/" + std::string(kRelativePath);
  }
  if (appData == nullptr || appData[0] == '\0') return std::nullopt;
  return std::string(appData) + "/" + std::string(kRelativePath);
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
