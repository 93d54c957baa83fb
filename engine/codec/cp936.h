// Code page 936 (the Simplified Chinese Windows code page): its character structure, and every
// conversion the program makes between it and UTF-8. The conversions use the system's tables, so
// they are made in files/: linux/ on iconv, win32/ on the Windows code page.
//
// A byte 0x81..0xFE followed by a byte 0x40..0x7E or 0x80..0xFE forms one two-byte character;
// every other byte is a character by itself. Space, ':', CR and LF are never the second byte of a
// character, so byte searches find them; '[' and letters can be, so a byte match of those counts
// only where it starts a character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/error.h"

namespace crawlmeter {

constexpr bool isLeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
constexpr bool isTrailByte(unsigned char b) {
  return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE);
}

// Bytes taken by the character that starts at bytes[at]: 2 for a lead byte with a valid second
// byte after it, otherwise 1. Requires at < bytes.size().
inline std::size_t characterLength(std::string_view bytes, std::size_t at) {
  return isLeadByte(static_cast<unsigned char>(bytes[at])) && at + 1 < bytes.size() &&
                 isTrailByte(static_cast<unsigned char>(bytes[at + 1]))
             ? 2
             : 1;
}

// What a character that cannot be decoded becomes: U+FFFD in UTF-8.
inline constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

// Bytes of the UTF-8 sequence that starts with lead (1 for a stray continuation or invalid byte).
constexpr std::size_t utf8SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC2) return 2;
  return 1;
}

// Decodes code page 936 bytes to UTF-8; a character that cannot be decoded becomes U+FFFD.
// Fails (kConvert) only where the C library has no code page 936.
Expected<std::string> decodeCp936(std::string_view bytes);

// Encodes UTF-8 text to code page 936; a character that code page 936 cannot hold, and a byte
// that is not valid UTF-8, becomes '?'. Fails as decodeCp936 does.
Expected<std::string> encodeCp936(std::string_view utf8);

}  // namespace crawlmeter
