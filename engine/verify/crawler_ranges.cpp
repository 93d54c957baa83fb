// Reading the operators' range files (simdjson's on-demand parser) into the ranges of each
// operator file, and the questions asked of them.
#include "verify/crawler_ranges.h"

#include <simdjson.h>

#include <algorithm>

#include "catalogue/crawler_catalogue.h"
#include "files/log_file.h"

namespace crawlmeter {
namespace {

namespace ondemand = simdjson::ondemand;

// The largest operators' file is some 100 KiB; a file far larger was named by mistake.
constexpr std::uint64_t kLargestRangesBytes = 64 << 20;

Error rangesError(const std::string& path, std::size_t line, Message problem) {
  Error error = Error::described(Error::What::kRanges, path, std::move(problem));
  error.line = line;
  return error;
}

struct Position {
  std::size_t line = 0, column = 0;  // both from 1
};
Position positionOf(std::string_view text, std::size_t offset) {
  offset = std::min(offset, text.size());
  const std::string_view before = text.substr(0, offset);
  const std::size_t lineStart = before.rfind('\n') + 1;  // npos + 1 is 0
  return {static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n')) + 1,
          offset - lineStart + 1};
}

struct ParsedFile {
  std::vector<AddressPrefix> prefixes;
  std::string date;
};

// Reads one file's text; every problem is told with the line it is on.
class RangesReader {
 public:
  RangesReader(std::string_view text, const std::string& path)
      : text_(text), padded_(text), path_(path) {}
  Expected<ParsedFile> read();

 private:
  std::size_t lineAt(const char* at) const {
    return positionOf(text_, static_cast<std::size_t>(at - padded_.data())).line;
  }
  std::size_t lineOf(ondemand::value& value) { return lineAt(value.raw_json_token().data()); }
  // The JSON is wrong at `at`, or where the parser stopped.
  Error notJsonAt(const char* at) const;
  Error notJson();
  Error readPrefixes(ondemand::value value, ParsedFile* parsed);
  Error readEntry(ondemand::value entry, ParsedFile* parsed);
  Error readPrefix(ondemand::value value, bool ipv6, ParsedFile* parsed);
  Error readDate(ondemand::value value, ParsedFile* parsed);

  std::string_view text_;
  simdjson::padded_string padded_;
  const std::string& path_;
  ondemand::parser parser_;
  ondemand::document document_;
};

Error RangesReader::notJsonAt(const char* at) const {
  const Position position = positionOf(text_, static_cast<std::size_t>(at - padded_.data()));
  return rangesError(path_, position.line,
                     Message(translatable("the file is not valid JSON (at column %s)"),
                             std::to_string(position.column)));
}

Error RangesReader::notJson() {
  const char* at = padded_.data() + text_.size();
  if (document_.current_location().get(at) != simdjson::SUCCESS) at = padded_.data() + text_.size();
  return notJsonAt(at);
}

Expected<ParsedFile> RangesReader::read() {
  // The first pass finds no position: an empty file, a bad UTF-8 sequence, an unclosed string.
  if (const simdjson::error_code code = parser_.iterate(padded_).get(document_); code) {
    if (code == simdjson::EMPTY) return notJsonAt(padded_.data() + text_.size());
    return rangesError(path_, 0,
                       Message(translatable("the file is not valid JSON: %s"),
                               std::string(simdjson::error_message(code))));
  }
  ondemand::object root;
  if (document_.get_object().get(root) != simdjson::SUCCESS) return notJson();
  ParsedFile parsed;
  bool hasPrefixes = false;
  for (auto field : root) {
    std::string_view key;
    ondemand::value value;
    if (field.unescaped_key().get(key) != simdjson::SUCCESS ||
        field.value().get(value) != simdjson::SUCCESS) {
      return notJson();
    }
    Error error;
    if (key == "prefixes") {
      hasPrefixes = true;
      error = readPrefixes(value, &parsed);
    } else if (key == "creationTime") {
      error = readDate(value, &parsed);
    }
    if (error.failed()) return error;
  }
  if (document_.current_location().error() != simdjson::OUT_OF_BOUNDS) return notJson();
  if (!hasPrefixes) {
    const std::size_t start = text_.find_first_not_of(" \t\r\n");
    return rangesError(path_, positionOf(text_, start).line,
                       Message(translatable("the file has no \"prefixes\" list")));
  }
  return parsed;
}

Error RangesReader::readPrefixes(ondemand::value value, ParsedFile* parsed) {
  const std::size_t line = lineOf(value);
  ondemand::array entries;
  if (value.get_array().get(entries) != simdjson::SUCCESS) {
    return rangesError(path_, line, Message(translatable("\"prefixes\" is not a list")));
  }
  for (auto entry : entries) {
    ondemand::value item;
    if (entry.get(item) != simdjson::SUCCESS) return notJson();
    ondemand::json_type type;
    if (item.type().get(type) != simdjson::SUCCESS) return notJsonAt(item.raw_json_token().data());
    if (Error error = readEntry(item, parsed); error.failed()) return error;
  }
  return Error();
}

// Lines are counted only for an error: counting them for every entry would take time that grows
// with the square of the file's length.
Error RangesReader::readEntry(ondemand::value entry, ParsedFile* parsed) {
  const char* start = entry.raw_json_token().data();
  ondemand::object object;
  bool found = false;
  if (entry.get_object().get(object) == simdjson::SUCCESS) {
    for (auto field : object) {
      std::string_view key;
      ondemand::value value;
      if (field.unescaped_key().get(key) != simdjson::SUCCESS ||
          field.value().get(value) != simdjson::SUCCESS) {
        return notJson();
      }
      if (key != "ipv4Prefix" && key != "ipv6Prefix") continue;
      found = true;
      if (Error error = readPrefix(value, key == "ipv6Prefix", parsed); error.failed()) {
        return error;
      }
    }
  }
  if (found) return Error();
  return rangesError(
      path_, lineAt(start),
      Message(
          translatable("an entry of \"prefixes\" has neither \"ipv4Prefix\" nor \"ipv6Prefix\"")));
}

Error RangesReader::readPrefix(ondemand::value value, bool ipv6, ParsedFile* parsed) {
  const std::string_view token = value.raw_json_token();
  std::string_view text;
  const bool isText = value.get_string().get(text) == simdjson::SUCCESS;
  if (isText) {
    if (std::optional<AddressPrefix> prefix = parseAddressPrefix(text, ipv6)) {
      parsed->prefixes.push_back(*prefix);
      return Error();
    }
  }
  std::string shown;
  if (isText) {
    shown = '"';
    shown += text;
    shown += '"';
  } else {
    shown = token.substr(0, token.find_last_not_of(" \t\r\n") + 1);
  }
  return rangesError(
      path_, lineAt(token.data()),
      ipv6 ? Message(translatable("%s is not an IPv6 prefix (x::/0 to 128)"), shown)
           : Message(translatable("%s is not an IPv4 prefix (a.b.c.d/0 to 32)"), shown));
}

// The date of a creationTime such as "2026-08-20T14:46:03.000000".
Error RangesReader::readDate(ondemand::value value, ParsedFile* parsed) {
  const std::size_t line = lineOf(value);
  std::string_view text;
  auto digits = [&](std::size_t from, std::size_t count) {
    return std::all_of(text.begin() + from, text.begin() + from + count,
                       [](char c) { return c >= '0' && c <= '9'; });
  };
  if (value.get_string().get(text) != simdjson::SUCCESS || text.size() < 10 || !digits(0, 4) ||
      text[4] != '-' || !digits(5, 2) || text[7] != '-' || !digits(8, 2)) {
    return rangesError(
        path_, line,
        Message(translatable("\"creationTime\" does not begin with a date (YYYY-MM-DD)")));
  }
  parsed->date = std::string(text.substr(0, 10));
  return Error();
}

// "a, b and c" of the kRangeFiles names.
std::string rangeFileNames() {
  std::string names;
  for (const RangeFile& file : kRangeFiles) {
    if (!names.empty()) names += ", ";
    names += file.name;
  }
  return names;
}

}  // namespace

std::optional<std::size_t> rangeFileOf(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  std::optional<std::size_t> best;
  for (std::size_t i = 0; i < kRangeFiles.size(); ++i) {
    if (name.ends_with(kRangeFiles[i].name) &&
        (!best || kRangeFiles[i].name.size() > kRangeFiles[*best].name.size())) {
      best = i;
    }
  }
  return best;
}

std::vector<BuiltInRangeText> builtInRangeTexts() {
  std::vector<BuiltInRangeText> texts;
  for (const BuiltInRangeText& copy : builtInRangeCopies()) {
    for (const RangeFile& file : kRangeFiles) {
      if (file.builtInCopy() == copy.name) texts.push_back(BuiltInRangeText{file.name, copy.text});
    }
  }
  return texts;
}

CrawlerRanges CrawlerRanges::builtIn() {
  CrawlerRanges ranges;
  for (const BuiltInRangeText& file : builtInRangeTexts()) {
    // The snapshot is checked by the tests; a file of it that failed would only have no ranges.
    ranges.add(file.text, std::string(file.name)).ignore();
    if (std::optional<std::size_t> index = rangeFileOf(file.name)) {
      ranges.files_[*index].source = std::string(kBuiltInSource);
    }
  }
  return ranges;
}

Error CrawlerRanges::add(std::string_view text, const std::string& path) {
  const std::optional<std::size_t> index = rangeFileOf(path);
  if (!index) {
    return rangesError(
        path, 0,
        Message(
            translatable("the file's name does not end with the name of an operator's file (%s)"),
            rangeFileNames()));
  }
  Expected<ParsedFile> parsed = RangesReader(text, path).read();
  if (parsed.failed()) return parsed.error();
  files_[*index] = Loaded{AddressRanges(parsed->prefixes), std::move(parsed->date), path};
  return Error();
}

Error CrawlerRanges::addFile(const std::string& path) {
  const Expected<LogFile> file = LogFile::open(path);
  if (file.failed()) return file.error().on(path);
  if (file->identity().size > kLargestRangesBytes) {
    return rangesError(path, 0, Message(translatable("the file is too large to be a ranges file")));
  }
  const Expected<std::string> text = readWhole(*file);
  if (text.failed()) return text.error();
  return add(*text, path);
}

const CrawlerRanges::Loaded* CrawlerRanges::file(std::string_view fileName) const {
  for (std::size_t i = 0; i < kRangeFiles.size(); ++i) {
    if (kRangeFiles[i].name == fileName) return &files_[i];
  }
  return nullptr;
}

bool CrawlerRanges::hasRanges(std::string_view fileName) const {
  const Loaded* loaded = file(fileName);
  return loaded != nullptr && !loaded->ranges.empty();
}

bool CrawlerRanges::contains(std::string_view fileName, const IpAddress& address) const {
  const Loaded* loaded = file(fileName);
  return loaded != nullptr && loaded->ranges.contains(address);
}

std::optional<std::string> CrawlerRanges::oldestDate() const {
  std::optional<std::string> oldest;
  for (const Loaded& loaded : files_) {
    if (loaded.ranges.empty() || loaded.date.empty()) continue;
    if (!oldest || loaded.date < *oldest) oldest = loaded.date;
  }
  return oldest;
}

}  // namespace crawlmeter
