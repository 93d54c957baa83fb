// The W3C extended log reader: a layout per "#Fields:" directive, looked up once, and records read
// against it without allocating once the buffers have grown.
#include "logformat/w3c_reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "logformat/byte_blocks.h"

namespace crawlmeter {
namespace {

constexpr std::string_view kFieldsDirective = "#Fields:";
constexpr std::string_view kDateDirective = "#Date:";

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "%41" is 'A'; a '%' not followed by two hex digits stays as written.
void appendPercentDecoded(std::string_view value, std::string& out) {
  for (std::size_t at = 0; at < value.size(); ++at) {
    if (value[at] == '%' && at + 2 < value.size()) {
      const int high = hexValue(value[at + 1]);
      const int low = hexValue(value[at + 2]);
      if (high >= 0 && low >= 0) {
        out.push_back(static_cast<char>(high * 16 + low));
        at += 2;
        continue;
      }
    }
    out.push_back(value[at]);
  }
}

// Where field, a view into line, begins in it.
std::size_t offsetOf(std::string_view field, std::string_view line) {
  return static_cast<std::size_t>(field.data() - line.data());
}

// The words of a directive after its name, at runs of spaces or tabs.
template <typename Visit>
void forEachWord(std::string_view text, Visit visit) {
  std::size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    std::size_t end = at;
    while (end < text.size() && text[end] != ' ' && text[end] != '\t') ++end;
    if (end > at) visit(text.substr(at, end - at));
    at = end;
  }
}

}  // namespace

W3cReader::W3cReader(std::string_view state) {
  const std::size_t lf = state.find('\n');
  const std::string_view fields = state.substr(0, lf);
  if (fields.starts_with(kFieldsDirective)) setLayout(fields);
  if (lf != std::string_view::npos && state.substr(lf + 1).starts_with(kDateDirective)) {
    setDate(state.substr(lf + 1));
  }
}

std::string W3cReader::carriedState() const {
  if (directiveDate_.empty()) return fieldsDirective_;
  return fieldsDirective_ + '\n' + std::string(kDateDirective) + ' ' + directiveDate_;
}

void W3cReader::setLayout(std::string_view directive) {
  struct KnownField {
    std::string_view name;
    Decoding decoding;
  };
  static constexpr std::array<KnownField, 4> kDecoded = {{
      {"cs(User-Agent)", Decoding::kPlusOrPercent},
      {"cs(Referer)", Decoding::kPlusOrPercent},
      {"cs(Cookie)", Decoding::kPlusOrPercent},
      {"cs-uri-query", Decoding::kPercentWhenTabbed},
  }};
  fieldsDirective_.assign(directive);
  haveLayout_ = true;
  decodings_.clear();
  addressField_ = agentField_ = dateField_ = timeField_ = kAbsent;
  forEachWord(directive.substr(kFieldsDirective.size()), [&](std::string_view name) {
    const std::size_t index = decodings_.size();
    if (sameNameIgnoringCase(name, "c-ip") && addressField_ == kAbsent) addressField_ = index;
    if (sameNameIgnoringCase(name, "cs(User-Agent)") && agentField_ == kAbsent) {
      agentField_ = index;
    }
    if (sameNameIgnoringCase(name, "date") && dateField_ == kAbsent) dateField_ = index;
    if (sameNameIgnoringCase(name, "time") && timeField_ == kAbsent) timeField_ = index;
    const auto known = std::find_if(kDecoded.begin(), kDecoded.end(), [&](const KnownField& f) {
      return sameNameIgnoringCase(name, f.name);
    });
    decodings_.push_back(known == kDecoded.end() ? Decoding::kNone : known->decoding);
  });
  values_.resize(decodings_.size());
  separators_.resize(decodings_.size() + 64);  // findEach's room
}

// "#Date: 2026-03-17 00:00:00": the date is its first word.
void W3cReader::setDate(std::string_view directive) {
  directiveDate_.clear();
  forEachWord(directive.substr(kDateDirective.size()), [&](std::string_view word) {
    if (directiveDate_.empty()) directiveDate_.assign(word);
  });
}

// Fills values_ with the line's fields; false when their number is not the layout's. Stops
// searching as soon as there are too many, so a long line of spaces costs no more than a pass.
bool W3cReader::split(std::string_view line, char separator) {
  const std::size_t fieldCount = decodings_.size();
  const std::size_t found = byte_blocks::findEach(line, separator, fieldCount, separators_.data());
  if (found + 1 != fieldCount) return false;
  std::size_t start = 0;
  for (std::size_t i = 0; i < found; ++i) {
    values_[i] = line.substr(start, separators_[i] - start);
    start = separators_[i] + 1;
  }
  values_[found] = line.substr(start);
  return true;
}

// Tabbed records: each field decoded on its own.
void W3cReader::appendTabbedOthers(std::string& others) const {
  for (std::size_t i = 0; i < values_.size(); ++i) {
    if (i == addressField_ || i == agentField_) continue;
    if (decodings_[i] == Decoding::kNone) {
      others.append(values_[i]);
    } else {
      appendPercentDecoded(values_[i], others);
    }
    others.push_back('\t');
  }
}

// Spaced records hold neither spaces nor tabs within a field: the line without its address and
// agent fields, each space made a tab, is the other fields each followed by a tab. Then '+' is
// made a space within the fields that decode it.
void W3cReader::appendSpacedOthers(std::string_view line, std::string& others) const {
  // The fields left out, in the line's order, each with the separator after it; the last field
  // has none, and its tab is written only when it is kept.
  std::array<std::size_t, 2> apart = {addressField_, agentField_};
  if (apart[1] < apart[0]) std::swap(apart[0], apart[1]);
  const std::size_t apartCount = agentField_ == kAbsent ? 1 : 2;
  std::size_t apartBytes = 0;
  for (std::size_t k = 0; k < apartCount; ++k) apartBytes += values_[apart[k]].size() + 1;
  const std::size_t start = others.size();
  others.resize(start + line.size() + 1 - apartBytes);
  char* out = others.data() + start;
  std::size_t from = 0;
  for (std::size_t k = 0; k <= apartCount; ++k) {
    const std::size_t to = k < apartCount ? offsetOf(values_[apart[k]], line) : line.size();
    if (from < to) {
      byte_blocks::copyReplacing(out, line.data() + from, to - from, " ", '\t');
      out += to - from;
    }
    if (k < apartCount) from = to + values_[apart[k]].size() + 1;
  }
  if (apart[apartCount - 1] + 1 != values_.size()) *out = '\t';  // the last field's
  std::size_t before = 0;  // the bytes left out before field i
  for (std::size_t i = 0, k = 0; i < values_.size(); ++i) {
    if (k < apartCount && i == apart[k]) {
      before += values_[apart[k++]].size() + 1;
    } else if (decodings_[i] == Decoding::kPlusOrPercent) {
      char* const at = others.data() + start + offsetOf(values_[i], line) - before;
      byte_blocks::replaceEach(at, values_[i].size(), "+", ' ');
    }
  }
}

// The agent, decoded as a field of its layout is.
void W3cReader::takeAgent(bool tabbed, RecordFields& fields) const {
  const std::string_view value = values_[agentField_];
  fields.hasAgent = true;
  if (tabbed) {
    appendPercentDecoded(value, fields.agent);
  } else {
    fields.agent.assign(value);
    byte_blocks::replaceEach(fields.agent.data(), fields.agent.size(), "+", ' ');
  }
}

LineKind W3cReader::read(std::string_view line, RecordFields& fields) {
  fields.clear();
  if (line.starts_with('#')) {
    if (line.starts_with(kFieldsDirective)) setLayout(line);
    if (line.starts_with(kDateDirective)) setDate(line);
    return LineKind::kDirective;
  }
  if (!haveLayout_ || addressField_ == kAbsent || timeField_ == kAbsent) {
    return LineKind::kNotUnderstood;
  }
  const bool tabbed = std::memchr(line.data(), '\t', line.size()) != nullptr;
  if (!split(line, tabbed ? '\t' : ' ')) return LineKind::kNotUnderstood;
  const std::string_view date =
      dateField_ == kAbsent ? std::string_view(directiveDate_) : values_[dateField_];
  const std::optional<CivilTime> time = parseW3cTime(date, values_[timeField_]);
  if (!time) return LineKind::kNotUnderstood;
  fields.time = *time;
  fields.address.assign(values_[addressField_]);
  if (tabbed) {
    appendTabbedOthers(fields.others);
  } else {
    appendSpacedOthers(line, fields.others);
  }
  if (agentField_ != kAbsent) takeAgent(tabbed, fields);
  return LineKind::kRecord;
}

bool looksLikeW3cHeader(std::string_view firstLine) {
  static constexpr std::array<std::string_view, 6> kDirectives = {
      "#Software:", "#Version:", "#Fields:", "#Date:", "#Remark:", "#Start-Date:"};
  return std::any_of(kDirectives.begin(), kDirectives.end(),
                     [&](std::string_view name) { return firstLine.starts_with(name); });
}

}  // namespace crawlmeter
