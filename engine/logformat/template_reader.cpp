// Matching lines against a user's own format, and undoing the escapes servers write inside
// values. A line is matched in place: nothing is allocated once the fields' strings have grown.
#include "logformat/template_reader.h"

namespace crawlmeter {
namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The number the `digits` hex digits at value[at] spell; -1 when they are not all hex digits.
long hexNumber(std::string_view value, std::size_t at, std::size_t digits) {
  if (value.size() < at + digits) return -1;
  long number = 0;
  for (std::size_t i = 0; i < digits; ++i) {
    const int digit = hexValue(value[at + i]);
    if (digit < 0) return -1;
    number = number * 16 + digit;
  }
  return number;
}

void appendUtf8(long code, std::string* out) {
  if (code < 0x80) {
    *out += static_cast<char>(code);
  } else if (code < 0x800) {
    *out += static_cast<char>(0xC0 | (code >> 6));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    *out += static_cast<char>(0xE0 | (code >> 12));
    *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Decodes the escape at value[at] ('\\') into *out; its length, or 0 when it is not one of the
// escaping's (the backslash then stands for itself).
std::size_t decodeEscape(std::string_view value, std::size_t at, ValueEscaping escaping,
                         std::string* out) {
  const char next = at + 1 < value.size() ? value[at + 1] : '\0';
  if (next == 'x' && escaping != ValueEscaping::kJson) {
    const long byte = hexNumber(value, at + 2, 2);
    if (byte >= 0) *out += static_cast<char>(byte);
    return byte >= 0 ? 4 : 0;
  }
  if (escaping == ValueEscaping::kApache && (next == '"' || next == '\\')) {
    *out += next;
    return 2;
  }
  if (escaping != ValueEscaping::kJson) return 0;
  constexpr std::string_view kJsonFrom = "\"\\/bfnrt", kJsonTo = "\"\\/\b\f\n\r\t";
  if (const std::size_t which = kJsonFrom.find(next); next != '\0' && which != kJsonFrom.npos) {
    *out += kJsonTo[which];
    return 2;
  }
  const long code = next == 'u' ? hexNumber(value, at + 2, 4) : -1;
  if (code >= 0) appendUtf8(code, out);
  return code >= 0 ? 6 : 0;
}

void appendDecoded(std::string_view value, ValueEscaping escaping, std::string* out) {
  std::size_t at = 0;
  while (at < value.size()) {
    const std::size_t backslash =
        escaping == ValueEscaping::kNone ? std::string_view::npos : value.find('\\', at);
    out->append(value.substr(at, backslash - at));
    if (backslash == std::string_view::npos) return;
    const std::size_t length = decodeEscape(value, backslash, escaping, out);
    if (length == 0) *out += '\\';
    at = backslash + (length == 0 ? 1 : length);
  }
}

// The first occurrence of literal in line from `at`. Behind a '"', a backslash-escaped character
// is part of the value: servers write a quote inside a quoted value as \".
std::size_t findLiteral(std::string_view line, std::size_t at, std::string_view literal) {
  if (literal.front() != '"') return line.find(literal, at);
  for (at = line.find_first_of("\\\"", at); at != std::string_view::npos;
       at = line.find_first_of("\\\"", at)) {
    if (line[at] == '\\') {
      at += 2;
    } else if (line.substr(at, literal.size()) == literal) {
      return at;
    } else {
      ++at;
    }
    if (at >= line.size()) break;
  }
  return std::string_view::npos;
}

}  // namespace

std::size_t TemplateReader::valueEnd(std::string_view line, std::size_t at, std::size_t i,
                                     RecordFields* fields) const {
  const TemplateField& field = template_.fields[i];
  if (field.time) {
    CivilTime other;
    const std::size_t length =
        field.time->match(line.substr(at), field.role == FieldRole::kTime ? &fields->time : &other);
    return length == std::string_view::npos ? length : at + length;
  }
  if (field.following.empty()) return line.size();
  if (i + 1 == template_.fields.size()) {
    // The last field runs to the literal that ends the line, when that is not an escaped quote.
    const std::size_t end = line.size() - field.following.size();
    if (line.size() - at < field.following.size() || !line.ends_with(field.following)) {
      return std::string_view::npos;
    }
    std::size_t backslashes = 0;
    while (end - backslashes > at && line[end - backslashes - 1] == '\\') ++backslashes;
    return field.following.front() == '"' && backslashes % 2 == 1 ? std::string_view::npos : end;
  }
  return findLiteral(line, at, field.following);
}

LineKind TemplateReader::read(std::string_view line, RecordFields& fields) {
  fields.clear();
  if (!line.starts_with(template_.leading)) return LineKind::kNotUnderstood;
  std::size_t at = template_.leading.size();
  for (std::size_t i = 0; i < template_.fields.size(); ++i) {
    const TemplateField& field = template_.fields[i];
    const std::size_t end = valueEnd(line, at, i, &fields);
    if (end == std::string_view::npos) return LineKind::kNotUnderstood;
    const std::string_view value = line.substr(at, end - at);
    if (field.role == FieldRole::kAddress) {
      fields.address.assign(value);
    } else if (field.role == FieldRole::kAgent) {
      appendDecoded(value, template_.escaping, &fields.agent);
      fields.hasAgent = true;
    } else {
      appendDecoded(value, template_.escaping, &fields.others);
      fields.others += '\t';
    }
    if (line.substr(end, field.following.size()) != field.following) {
      return LineKind::kNotUnderstood;
    }
    at = end + field.following.size();
  }
  return at == line.size() ? LineKind::kRecord : LineKind::kNotUnderstood;
}

}  // namespace crawlmeter
